// The imaging control and one conversion step on real pictures made here:
// decoding, error numbers, the fallback loader, the preview, and every
// output format read back by Qt's own bitmap reader.

#include "picfit/engine/convert_entry.h"
#include "picfit/engine/fallback_loader.h"
#include "picfit/engine/fit_mode.h"
#include "picfit/engine/imaging_control.h"
#include "picfit/engine/output_format.h"
#include "picfit_test_support.h"
#include "picfit/engine/scratch_file.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>

#include <unistd.h>

#include <array>
#include <string>
#include <tuple>

namespace picfit {
namespace {

using namespace picfit::testing;

class ImagingTest : public PicfitFolderTest {
 protected:
  ConvertOptions Options(int format, bool keepExisting = false) const {
    return {Folder(), format, keepExisting, Path("scratch.bmp")};
  }
  ConvertResult LoadAndConvert(const QString& file, int mode, int tw, int th, const ConvertOptions& options) {
    EXPECT_TRUE(LoadPicture(control_, Path(file), options.scratchPath, FallbackWhen::UnknownFormatOnly).ok());
    return ConvertEntry(control_, {file, Path(file), mode, tw, th}, options);
  }
  ImagingControl control_;
};

// ---- decoding and its errors ----

TEST_F(ImagingTest, ReportsSizeAndColoursOfTrueColourAndPalettePictures) {
  SavePicture(MakeGradient(64, 48), Path("photo.jpg"), "JPEG");
  ASSERT_TRUE(control_.Load(Path("photo.jpg")).ok());
  EXPECT_EQ(control_.Width(), 64);
  EXPECT_EQ(control_.Height(), 48);
  EXPECT_EQ(control_.ColourCount(), kTrueColourCount);
  EXPECT_EQ(control_.BitsPerPixel(), 24);

  Magick::Image few = MakePicture(30, 20, [](int x, int) { return x < 15 ? Rgb8(255, 0, 0) : Rgb8(0, 0, 255); });
  SavePicture(few, Path("two.gif"), "GIF");
  ASSERT_TRUE(control_.Load(Path("two.gif")).ok());
  EXPECT_GT(control_.ColourCount(), 0);
  EXPECT_LT(control_.ColourCount(), kTrueColourCount);
  EXPECT_EQ(control_.Width(), 30);
}

TEST_F(ImagingTest, UnrecognisedDamagedAndMissingFilesGiveTheirNumbersAndKeepThePicture) {
  SavePicture(MakeGradient(20, 10), Path("good.png"), "PNG");
  ASSERT_TRUE(control_.Load(Path("good.png")).ok());

  WriteAll(Path("notes.txt"), "just some words, not a picture\n");
  WriteAll(Path("empty.jpg"), "");
  SavePicture(MakeGradient(64, 48), Path("whole.jpg"), "JPEG");
  WriteAll(Path("cut.jpg"), ReadAll(Path("whole.jpg")).left(120));

  EXPECT_EQ(control_.Load(Path("notes.txt")).number, kErrUnknownFormat);
  EXPECT_EQ(control_.Load(Path("empty.jpg")).number, kErrUnknownFormat);
  EXPECT_EQ(control_.Load(Path("cut.jpg")).number, kErrCorruptPicture);
  const Status missing = control_.Load(Path("missing.png"));
  EXPECT_EQ(missing.number, kErrFileNotFound);
  EXPECT_TRUE(missing.message.contains("missing.png"));

  EXPECT_EQ(control_.Width(), 20);  // the good picture is still current
  EXPECT_EQ(control_.Height(), 10);
}

TEST_F(ImagingTest, FallbackLoaderTakesWhatOnlyQtRecognises) {
  // An icon under a name that says nothing: the control finds no signature.
  QImage icon(32, 16, QImage::Format_RGB32);
  icon.fill(QColor(10, 200, 30));
  QImageWriter writer(Path("icon.dat"), "ico");
  if (!writer.write(icon)) GTEST_SKIP() << "Qt's icon writer is not installed";

  EXPECT_EQ(control_.Load(Path("icon.dat")).number, kErrUnknownFormat);
  ASSERT_TRUE(LoadPicture(control_, Path("icon.dat"), Path("scratch.bmp"), FallbackWhen::UnknownFormatOnly).ok());
  EXPECT_EQ(control_.Width(), 32);
  EXPECT_EQ(control_.Height(), 16);
  const QImage scratch(Path("scratch.bmp"));
  EXPECT_EQ(scratch.pixelColor(5, 5), QColor(10, 200, 30));

  WriteAll(Path("notes.txt"), "not a picture for anyone");
  EXPECT_EQ(LoadPicture(control_, Path("notes.txt"), Path("scratch.bmp"), FallbackWhen::AnyError).number,
            kErrUnknownFormat);
}

TEST_F(ImagingTest, TransparentPicturesAreLaidOnWhite) {
  Magick::Image clear(Magick::Geometry(8, 8), Magick::Color(0, 0, 0, MaxRGB));
  clear.matte(true);
  SavePicture(clear, Path("clear.png"), "PNG");
  ASSERT_TRUE(control_.Load(Path("clear.png")).ok());
  const ConvertResult r = ConvertEntry(control_, {"clear.png", Path("clear.png"), 3, 240, 160}, Options(0));
  ASSERT_TRUE(r.status.ok());
  const QImage out(r.outputPath);
  EXPECT_EQ(out.pixelColor(3, 3), QColor(Qt::white));
  EXPECT_EQ(U16(ReadAll(r.outputPath), 28), 24);  // no alpha channel written
}

// ---- preview ----

TEST_F(ImagingTest, PreviewShowsTheTopLeftRegionScaledIntoTheScreen) {
  // 640 x 480: red left half, blue right half.
  Magick::Image halves = MakePicture(640, 480, [](int x, int) { return x < 320 ? Rgb8(255, 0, 0) : Rgb8(0, 0, 255); });
  SavePicture(halves, Path("halves.png"), "PNG");
  ASSERT_TRUE(control_.Load(Path("halves.png")).ok());

  control_.SetRegionHeight(640.0 * 160 / 240);
  control_.SetRegionWidth(640);
  QImage preview = control_.Preview();
  ASSERT_EQ(preview.size(), QSize(240, 160));
  EXPECT_EQ(preview.pixelColor(60, 80), QColor(255, 0, 0));
  EXPECT_EQ(preview.pixelColor(180, 80), QColor(0, 0, 255));

  control_.SetRegionWidth(1280);  // the picture fills the left half only
  control_.SetRegionHeight(960);
  preview = control_.Preview();
  EXPECT_EQ(preview.pixelColor(30, 40), QColor(255, 0, 0));
  EXPECT_EQ(preview.pixelColor(90, 40), QColor(0, 0, 255));
  EXPECT_EQ(preview.pixelColor(200, 40), QColor(Qt::white));
  EXPECT_EQ(preview.pixelColor(60, 140), QColor(Qt::white));

  ASSERT_TRUE(control_.Resample(10, 10).ok());  // the preview follows the picture
  control_.SetRegionWidth(10);
  control_.SetRegionHeight(10);
  EXPECT_EQ(control_.Preview().pixelColor(230, 150), QColor(0, 0, 255));
}

// ---- every source format to every output format ----

struct FormatExpectation {
  int format;
  int bits;
  QImage::Format qtFormat;  // what Qt's reader gives; Invalid: do not check
  int qtColours;            // palette size Qt reports, 0: none
};

const FormatExpectation kFormats[] = {
    {kFormatTrueColour24, 24, QImage::Format_RGB32, 0},  {kFormatHandheld16, 16, QImage::Format_Invalid, 0},
    {kFormatColour256, 8, QImage::Format_Indexed8, 256}, {kFormatGrey256, 8, QImage::Format_Indexed8, 256},
    {kFormatColour16, 4, QImage::Format_Indexed8, 16},   {kFormatBlackWhite, 1, QImage::Format_Mono, 2},
};

class SourceFormatTest : public ImagingTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SourceFormatTest, EveryOutputFormatLoadsInQtWithItsDepthAndSize) {
  const std::string magick = GetParam();
  const QString file = QString::fromStdString("picture." + magick);
  SavePicture(MakeGradient(80, 60), Path(file), magick);

  for (const FormatExpectation& f : kFormats) {
    SCOPED_TRACE(f.format);
    const ConvertResult r = LoadAndConvert(file, kFitHorizontal, 40, 160, Options(f.format));
    ASSERT_TRUE(r.status.ok()) << r.status.message.toStdString();
    EXPECT_EQ(r.outputName, "picture.BMP");
    const QByteArray bytes = ReadAll(r.outputPath);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(U16(bytes, 28), f.bits);
    EXPECT_EQ(U32(bytes, 14), 40u);

    const QImage out(r.outputPath, "BMP");
    ASSERT_FALSE(out.isNull());
    EXPECT_EQ(out.size(), QSize(40, 30));
    if (f.qtFormat != QImage::Format_Invalid) {
      EXPECT_EQ(out.format(), f.qtFormat);
    }
    EXPECT_EQ(out.colorCount(), f.qtColours);
    for (QRgb c : out.colorTable()) {
      if (f.format == kFormatGrey256) {
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
      }
      if (f.format == kFormatBlackWhite) {
        EXPECT_TRUE(c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceFormatTest, ::testing::Values("jpg", "png", "gif", "tif", "tga", "pcx", "bmp"),
                         [](const auto& param) { return param.param; });

// Palette formats from a photograph and from a printer's CMYK JPEG: uncompressed bitmaps of
// the format's depth (the size follows from the header alone), greys only in the grey palette.
TEST_F(ImagingTest, PaletteFormatsAreUncompressedAtTheirDepthFromRgbAndCmykSources) {
  SavePicture(MakePicture(80, 60,
                          [](int x, int y) {
                            const unsigned h =
                                static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
                            return Rgb8(static_cast<int>(h & 255), static_cast<int>(h >> 8 & 255), (x * 3 + y) % 256);
                          }),
              Path("photo.png"), "PNG");
  Magick::Image cmyk = MakeGradient(80, 60);
  cmyk.colorSpace(Magick::CMYKColorspace);
  SavePicture(cmyk, Path("print.jpg"), "JPEG");
  for (const char* source : {"photo.png", "print.jpg"}) {
    for (const auto& [format, bits] : {std::pair{kFormatColour256, 8}, {kFormatGrey256, 8}, {kFormatColour16, 4}}) {
      SCOPED_TRACE(std::string(source) + " format " + std::to_string(format));
      const ConvertResult r = LoadAndConvert(source, kFitNone, 240, 160, Options(format));
      ASSERT_TRUE(r.status.ok()) << r.status.message.toStdString();
      const QByteArray bytes = ReadAll(r.outputPath);
      ASSERT_GE(bytes.size(), 54);
      EXPECT_EQ(U16(bytes, 28), bits);
      EXPECT_EQ(U32(bytes, 30), 0u);  // no compression
      const int palette = 4 << bits, stride = (80 * bits / 8 + 3) / 4 * 4;
      ASSERT_EQ(bytes.size(), 54 + palette + stride * 60);
      for (int entry = 0; format == kFormatGrey256 && entry < 256; ++entry) {
        const int at = 54 + 4 * entry;
        EXPECT_TRUE(bytes[at] == bytes[at + 1] && bytes[at + 1] == bytes[at + 2]) << "entry " << entry;
      }
    }
  }
}

TEST_F(ImagingTest, BlackAndWhiteFollowsBrightness) {
  // Blue, red, magenta are darker than middle grey; yellow, green, cyan lighter.
  const std::array<std::array<int, 3>, 6> bars{
      {{0, 0, 255}, {255, 0, 0}, {255, 0, 255}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}}};
  SavePicture(MakePicture(60, 10,
                          [&](int x, int) {
                            const auto& c = bars[static_cast<size_t>(x / 10)];
                            return Rgb8(c[0], c[1], c[2]);
                          }),
              Path("bars.png"), "PNG");
  const ConvertResult r = LoadAndConvert("bars.png", kFitNone, 240, 160, Options(kFormatBlackWhite));
  ASSERT_TRUE(r.status.ok());
  const QImage out(r.outputPath);
  for (int bar = 0; bar < 6; ++bar)
    EXPECT_EQ(out.pixelColor(bar * 10 + 5, 5), bar < 3 ? QColor(Qt::black) : QColor(Qt::white)) << bar;
}

// ---- the conversion step ----

TEST_F(ImagingTest, NoStretchKeepsLargePicturesWhole) {
  SavePicture(MakeGradient(300, 200), Path("big.png"), "PNG");
  const ConvertResult r = LoadAndConvert("big.png", kFitNone, 240, 160, Options(kFormatTrueColour24));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(QImage(r.outputPath).size(), QSize(300, 200));
}

TEST_F(ImagingTest, ZeroTargetGivesOnePixel) {
  SavePicture(MakeGradient(30, 20), Path("p.png"), "PNG");
  const ConvertResult r = LoadAndConvert("p.png", kFitStretch, 0, 0, Options(kFormatHandheld16));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(ReadAll(r.outputPath).size(), 54 + 4);
}

TEST_F(ImagingTest, KeepExistingLeavesOldFilesAndOverwriteReplacesThem) {
  SavePicture(MakeGradient(30, 20), Path("a.png"), "PNG");
  WriteAll(Path("a.BMP"), "older file");
  const ConvertResult kept = LoadAndConvert("a.png", kFitStretch, 8, 8, Options(kFormatTrueColour24, true));
  ASSERT_TRUE(kept.status.ok());
  EXPECT_EQ(kept.outputName, "a_1.BMP");
  EXPECT_EQ(ReadAll(Path("a.BMP")), "older file");

  const ConvertResult replaced = LoadAndConvert("a.png", kFitStretch, 8, 8, Options(kFormatTrueColour24, false));
  ASSERT_TRUE(replaced.status.ok());
  EXPECT_EQ(replaced.outputPath, Path("a.BMP"));
  EXPECT_EQ(QImage(Path("a.BMP")).size(), QSize(8, 8));
}

TEST_F(ImagingTest, UnusableOutputFolderIsReportedAndNothingIsWritten) {
  SavePicture(MakeGradient(30, 20), Path("a.png"), "PNG");
  ASSERT_TRUE(control_.Load(Path("a.png")).ok());
  const PictureEntry entry{"a.png", Path("a.png"), 1, 240, 160};

  ConvertOptions missing = Options(kFormatHandheld16);
  missing.outputFolder = Path("no/such/folder");
  const ConvertResult r = ConvertEntry(control_, entry, missing);
  EXPECT_EQ(r.status.number, kErrOutputFolder);
  EXPECT_TRUE(r.status.message.contains("no/such/folder"));
  EXPECT_TRUE(r.outputPath.isEmpty());

  ConvertOptions aFile = Options(kFormatTrueColour24);
  aFile.outputFolder = Path("a.png");
  EXPECT_EQ(ConvertEntry(control_, entry, aFile).status.number, kErrOutputFolder);
  EXPECT_EQ(ConvertEntry(control_, entry, Options(9)).status.number, kErrBadArgument);
  EXPECT_FALSE(QFileInfo::exists(Path("a.BMP")));
}

TEST_F(ImagingTest, ReadOnlyOutputFileIsNotReplaced) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  SavePicture(MakeGradient(30, 20), Path("a.png"), "PNG");
  WriteAll(Path("a.BMP"), "protected");
  QFile::setPermissions(Path("a.BMP"), QFileDevice::ReadOwner);
  for (int format : {kFormatTrueColour24, kFormatHandheld16}) {
    const ConvertResult r = LoadAndConvert("a.png", kFitHorizontal, 24, 160, Options(format));
    EXPECT_EQ(r.status.number, kErrWriteFailed);
  }
  EXPECT_EQ(ReadAll(Path("a.BMP")), "protected");
}

}  // namespace
}  // namespace picfit

namespace picfit {
namespace {

TEST(ScratchFile, PrivateUniqueAndRemovedWithItsOwnerEvenAfterBeingReplaced) {
  QString path;
  {
    ScratchFile a;
    ScratchFile b;
    ASSERT_TRUE(a.IsValid());
    path = a.Path();
    EXPECT_NE(path, b.Path());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    // Writers replace the file by renaming a new one over it.
    ImagingControl control;
    Magick::Image tiny(Magick::Geometry(2, 2), Magick::Color("red"));
    testing::SavePicture(tiny, b.Path() + ".png", "PNG");
    ASSERT_TRUE(control.Load(b.Path() + ".png").ok());
    QFile::remove(b.Path() + ".png");
    ASSERT_TRUE(control.WriteBitmap(path).ok());
    EXPECT_EQ(QImage(path).size(), QSize(2, 2));
  }
  EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace
}  // namespace picfit
