#include "convert_entry.h"

#include "fit_mode.h"
#include "imaging_control.h"
#include "output_format.h"
#include "output_naming.h"
#include "write16.h"

#include <QFileInfo>

namespace picfit {
namespace {

Status ApplyFormat(ImagingControl& control, int format) {
  switch (format) {
    case kFormatTrueColour24: {
      const long colours = control.ColourCount();
      if (colours > 0 && colours < kTrueColourCount) return control.ConvertTo24();
      return Status::Success();
    }
    case kFormatHandheld16:
      // The 16-bit writer reads a 24-bit intermediate whatever the picture was.
      return control.ConvertTo24();
    case kFormatColour256:
      return control.ReduceColours(256, false, true);
    case kFormatGrey256:
      return control.ReduceColours(256, true, true);
    case kFormatColour16:
      return control.ReduceColours(16, false, true);
    case kFormatBlackWhite:
      return control.ReduceColours(1, true, false);
    default:
      return Status::Failure(kErrBadArgument, QStringLiteral("无效的输出格式：%1").arg(format));
  }
}

Status WriteOutput(const ImagingControl& control, int format, const QString& scratchPath, const QString& outputPath,
                   const YieldHook& yield) {
  if (format != kFormatHandheld16) return control.WriteBitmap(outputPath);
  if (scratchPath.isEmpty()) return Status::Failure(kErrWriteFailed, QStringLiteral("没有可用的临时文件"));
  if (Status s = control.WriteBitmap(scratchPath); !s) return s;
  return Write16(scratchPath, outputPath, yield);
}

}  // namespace

Status CheckOutputFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.exists())
    return Status::Failure(kErrOutputFolder, QStringLiteral("输出目录不存在：%1").arg(folder));
  if (!info.isDir()) return Status::Failure(kErrOutputFolder, QStringLiteral("输出目录不是文件夹：%1").arg(folder));
  if (!info.isWritable()) return Status::Failure(kErrOutputFolder, QStringLiteral("输出目录不可写：%1").arg(folder));
  return Status::Success();
}

ConvertResult ConvertEntry(ImagingControl& control, const PictureEntry& entry, const ConvertOptions& options,
                           const YieldHook& yield) {
  ConvertResult result;
  if (!control.HasPicture()) {
    result.status = Status::Failure(kErrNoPicture, QStringLiteral("没有装载图片：%1").arg(entry.sourcePath));
    return result;
  }
  if (options.format < 0 || options.format >= kFormatCount) {
    result.status = Status::Failure(kErrBadArgument, QStringLiteral("无效的输出格式：%1").arg(options.format));
    return result;
  }
  if (result.status = CheckOutputFolder(options.outputFolder); !result.status) return result;

  const QSize fitted =
      FittedSize(entry.fitMode, control.Width(), control.Height(), entry.targetWidth, entry.targetHeight);
  if (result.status = control.Resample(fitted.width(), fitted.height()); !result.status) return result;
  if (result.status = ApplyFormat(control, options.format); !result.status) return result;

  QString name = OutputNameFor(entry.displayName);
  if (options.keepExisting) name = KeepExistingName(options.outputFolder, name, yield);
  const QString path = JoinFolder(options.outputFolder, name);
  if (result.status = WriteOutput(control, options.format, options.scratchPath, path, yield); !result.status)
    return result;
  result.outputName = name;
  result.outputPath = path;
  return result;
}

}  // namespace picfit
