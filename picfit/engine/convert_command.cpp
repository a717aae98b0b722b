#include "convert_command.h"

#include "cli_text.h"
#include "convert_entry.h"
#include "fallback_loader.h"
#include "imaging_control.h"
#include "output_format.h"
#include "picfit_settings.h"
#include "scratch_file.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace picfit {
namespace {

struct CommandOptions {
  QStringList files;
  std::optional<int> mode, width, height, format;
  std::optional<bool> keepExisting;  // unset: picfit.ini's OverWrite decides
  std::optional<QString> outputFolder;
  bool help = false;
  bool quiet = false;    // errors only
  bool verbose = false;  // each output with the picture it was made from
};

QString Usage() {
  return Tr(
      "usage: picfit --convert FILE... [--mode 0-3] [--width 1-960] [--height 1-640]\n"
      "                                [--format 0-5] [--keep-existing|--overwrite] [-o DIR]\n"
      "       picfit --version\n"
      "       picfit               (the window)\n"
      "  --mode    0 stretch to width x height, 1 fit the width, 2 fit the height, 3 keep the size\n"
      "  --format  0 24-bit, 1 handheld 16-bit, 2 256 colours, 3 256 greys, 4 16 colours, 5 black and white\n"
      "  --keep-existing  never replace a file: name_1.BMP, name_1_1.BMP, ...\n"
      "  --overwrite      replace files of the same name (the default unless picfit.ini says otherwise)\n"
      "  -o, --out DIR  output folder, made when missing (default: SaveDir of picfit.ini)\n"
      "  -q, --quiet    print nothing but errors (without it each output file is printed)\n"
      "  -v, --verbose  print each output file with the picture it was made from\n"
      "Options not given are taken from picfit.ini.\n");
}

// Parses "--name VALUE" numbers within [low, high].
bool TakeNumber(const QStringList& args, qsizetype& i, int low, int high, std::optional<int>& into, QString& problem) {
  const QString name = args[i];
  if (i + 1 >= args.size()) {
    problem = Tr("%1 needs a value", name);
    return false;
  }
  bool ok = false;
  const int value = args[++i].toInt(&ok);
  if (!ok || value < low || value > high) {
    problem = Tr("%1 must be a whole number from %2 to %3, not \"%4\"", name, QString::number(low),
                 QString::number(high), args[i]);
    return false;
  }
  into = value;
  return true;
}

std::optional<CommandOptions> Parse(const QStringList& args, QString& problem) {
  CommandOptions o;
  bool filesOnly = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (filesOnly || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
      o.files << a;
    } else if (a == QLatin1String("--")) {
      filesOnly = true;
    } else if (a == QLatin1String("--convert")) {
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.help = true;
    } else if (a == QLatin1String("--quiet") || a == QLatin1String("-q")) {
      o.quiet = true;
    } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
      o.verbose = true;
    } else if (a == QLatin1String("--keep-existing")) {
      o.keepExisting = true;
    } else if (a == QLatin1String("--overwrite")) {
      o.keepExisting = false;
    } else if (a == QLatin1String("--mode")) {
      if (!TakeNumber(args, i, 0, 3, o.mode, problem)) return std::nullopt;
    } else if (a == QLatin1String("--format")) {
      if (!TakeNumber(args, i, 0, kFormatCount - 1, o.format, problem)) return std::nullopt;
    } else if (a == QLatin1String("--width")) {
      if (!TakeNumber(args, i, 1, 960, o.width, problem)) return std::nullopt;
    } else if (a == QLatin1String("--height")) {
      if (!TakeNumber(args, i, 1, 640, o.height, problem)) return std::nullopt;
    } else if (a == QLatin1String("-o") || a == QLatin1String("--out") || a == QLatin1String("--output")) {
      if (i + 1 >= args.size()) {
        problem = Tr("%1 needs a folder", a);
        return std::nullopt;
      }
      o.outputFolder = args[++i];
    } else {
      problem = Tr("unknown option %1", a);
      return std::nullopt;
    }
  }
  if (o.files.isEmpty() && !o.help) {
    problem = Tr("no picture files given");
    return std::nullopt;
  }
  return o;
}

// Loads and converts one file; prints its output path or the problem.
bool ConvertOne(ImagingControl& control, const QString& file, const PictureEntry& templateEntry,
                const ConvertOptions& options, const CommandOptions& command, QTextStream& out, QTextStream& err) {
  if (!QFileInfo::exists(file)) {
    err << "picfit: " << Tr("%1: no such file", file) << "\n";
    return false;
  }
  PictureEntry entry = templateEntry;
  entry.sourcePath = QFileInfo(file).absoluteFilePath();
  entry.displayName = QFileInfo(file).fileName();
  if (const Status loaded =
          LoadPicture(control, entry.sourcePath, options.scratchPath, FallbackWhen::UnknownFormatOnly);
      !loaded) {
    err << "picfit: "
        << Tr("%1: cannot be loaded: %2 (error %3: %4)", file, ErrorWords(loaded.number),
              QString::number(loaded.number), loaded.message)
        << "\n";
    return false;
  }
  const ConvertResult result = ConvertEntry(control, entry, options);
  if (!result.status) {
    err << "picfit: "
        << Tr("%1: cannot be converted: %2 (error %3: %4)", file, ErrorWords(result.status.number),
              QString::number(result.status.number), result.status.message)
        << "\n";
    return false;
  }
  if (command.verbose)
    out << Tr("%1 -> %2", file, result.outputPath) << "\n";
  else if (!command.quiet)
    out << result.outputPath << "\n";
  out.flush();
  return true;
}

}  // namespace

QString ErrorWords(int number) {
  switch (number) {
    case kErrFileNotFound:
      return Tr("the file does not exist");
    case kErrUnknownFormat:
      return Tr("the format is not supported");
    case kErrCorruptPicture:
      return Tr("the picture is damaged");
    case kErrReadFailed:
      return Tr("the file cannot be read");
    case kErrNoPicture:
      return Tr("no picture is loaded");
    case kErrProcessFailed:
      return Tr("the picture cannot be fitted");
    case kErrWriteFailed:
      return Tr("the output file cannot be written");
    case kErrOutputFolder:
      return Tr("the output folder cannot be used");
    case kErrNotBitmap24:
      return Tr("the picture is not a 24-bit bitmap");
    case kErrBadArgument:
      return Tr("a size or option is out of range");
    default:
      return Tr("an unexpected failure");
  }
}

bool IsConvertCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--convert")); }

int RunConvertCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
  QString problem;
  const auto options = Parse(arguments, problem);
  if (!options) {
    err << "picfit: " << problem << "\n" << Usage();
    return kExitUsage;
  }
  if (options->help) {
    out << Usage();
    return kExitOk;
  }

  const PicfitSettings settings = ReadPicfitSettings(PicfitIniPath());
  ConvertOptions convert;
  convert.outputFolder = options->outputFolder
                             ? QDir::cleanPath(QDir::current().absoluteFilePath(*options->outputFolder))
                             : settings.saveDir;
  convert.format = options->format.value_or(settings.format);
  convert.keepExisting = options->keepExisting.value_or(settings.overWrite == 1);
  if (!convert.outputFolder.isEmpty() && !QFileInfo::exists(convert.outputFolder)) QDir().mkpath(convert.outputFolder);
  if (const Status folder = CheckOutputFolder(convert.outputFolder); !folder) {
    err << "picfit: "
        << Tr("%1 (error %2: %3)", ErrorWords(folder.number), QString::number(folder.number), folder.message) << "\n";
    return kExitUsage;
  }
  ScratchFile scratch;
  if (!scratch.IsValid()) {
    err << "picfit: " << Tr("cannot create a temporary file") << "\n";
    return kExitUsage;
  }
  convert.scratchPath = scratch.Path();

  PictureEntry entryTemplate;
  entryTemplate.fitMode = options->mode.value_or(settings.scaleMode);
  entryTemplate.targetWidth = options->width.value_or(settings.width);
  entryTemplate.targetHeight = options->height.value_or(settings.height);

  ImagingControl control;
  int failures = 0;
  for (const QString& file : options->files)
    if (!ConvertOne(control, file, entryTemplate, convert, *options, out, err)) ++failures;
  return failures == 0 ? kExitOk : kExitSomeFailed;
}

}  // namespace picfit
