// The handheld's 16-bit bitmap: header patching, colour words, row padding.
// Expected bytes are computed here from the source pixels with a formula of
// their own: c / 8 rounded down, one less for c = 8, 24, 40, ..., 248.

#include "picfit/engine/convert_entry.h"
#include "picfit/engine/fallback_loader.h"
#include "picfit/engine/imaging_control.h"
#include "picfit_test_support.h"
#include "picfit/engine/write16.h"

#include <QFileInfo>

#include <array>
#include <vector>

namespace picfit {
namespace {

using namespace picfit::testing;

struct Bgr {
  std::uint8_t b, g, r;
};
using BgrFunction = std::function<Bgr(int x, int fileRow)>;

int Expected5(int c) { return c / 8 - (c % 16 == 8 ? 1 : 0); }

std::uint16_t ExpectedWord(const Bgr& p) {
  return static_cast<std::uint16_t>(Expected5(p.b) << 10 | Expected5(p.g) << 5 | Expected5(p.r));
}

void PutU32(QByteArray& b, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// An uncompressed 24-bit bitmap, pixels given in file row order; a gap of
// filler bytes may sit between the header and the pixels.
QByteArray MakeBmp24(int width, int height, const BgrFunction& pixel, int gap = 0) {
  const int stride = (width * 3 + 3) / 4 * 4;
  const int offset = 54 + gap;
  QByteArray b(offset + stride * height, '\0');
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 2, static_cast<std::uint32_t>(b.size()));
  PutU32(b, 6, 0xA5A5A5A5u);  // reserved: must be copied as is
  PutU32(b, 10, static_cast<std::uint32_t>(offset));
  PutU32(b, 14, 40);
  PutU32(b, 18, static_cast<std::uint32_t>(width));
  PutU32(b, 22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  PutU32(b, 34, static_cast<std::uint32_t>(stride * height));
  PutU32(b, 38, 2835);
  PutU32(b, 42, 2835);
  for (int i = 54; i < offset; ++i) b[i] = static_cast<char>(0xEE);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      const Bgr p = pixel(x, row);
      const int at = offset + row * stride + 3 * x;
      b[at] = static_cast<char>(p.b);
      b[at + 1] = static_cast<char>(p.g);
      b[at + 2] = static_cast<char>(p.r);
    }
    for (int pad = width * 3; pad < stride; ++pad) b[offset + row * stride + pad] = static_cast<char>(0x77);
  }
  return b;
}

Bgr Varied(int x, int row) {
  return {static_cast<std::uint8_t>(x * 7 + row), static_cast<std::uint8_t>(x * 3 + row * 11),
          static_cast<std::uint8_t>(255 - x)};
}

// Checks the whole output file against the source: header bytes, every
// pixel word and every padding byte.
void ExpectHandheldBitmap(const QByteArray& source, const QByteArray& out, int width, int height,
                          const BgrFunction& pixel) {
  const int outStride = (width * 2 + 3) / 4 * 4;
  ASSERT_EQ(out.size(), 54 + outStride * height);
  for (int i = 0; i < 54; ++i) {
    if (i == 10 || i == 11 || i == 28) continue;
    EXPECT_EQ(out[i], source[i]) << "header byte " << i;
  }
  EXPECT_EQ(U32(out, 10), 54u);
  EXPECT_EQ(U16(out, 28), 16u);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(U16(out, 54 + row * outStride + 2 * x), ExpectedWord(pixel(x, row))) << "x " << x << " row " << row;
    for (int pad = width * 2; pad < outStride; ++pad) ASSERT_EQ(out[54 + row * outStride + pad], '\0');
  }
}

class Write16Test : public PicfitFolderTest {};

TEST(HandheldColour, ComponentsRoundHalfToEven) {
  const std::array<std::pair<int, int>, 10> pairs{
      {{0, 0}, {7, 0}, {8, 0}, {12, 1}, {15, 1}, {16, 2}, {24, 2}, {40, 4}, {252, 31}, {255, 31}}};
  for (auto [c, five] : pairs) EXPECT_EQ(HandheldComponent(static_cast<std::uint8_t>(c)), five) << c;
  for (int c = 0; c < 256; ++c) EXPECT_EQ(HandheldComponent(static_cast<std::uint8_t>(c)), Expected5(c)) << c;
}

TEST(HandheldColour, RedInLowBitsBlueInHighBits) {
  EXPECT_EQ(HandheldColourWord(255, 255, 255), 0x7FFF);
  EXPECT_EQ(HandheldColourWord(255, 0, 0), 0x001F);
  EXPECT_EQ(HandheldColourWord(0, 255, 0), 0x03E0);
  EXPECT_EQ(HandheldColourWord(0, 0, 255), 0x7C00);
  EXPECT_EQ(HandheldColourWord(8, 24, 8), 2 << 5);
}

TEST_F(Write16Test, OddWidthRowsEndInTwoZeroBytesAndSizeFieldsKeepThe24BitValues) {
  const QByteArray source = MakeBmp24(239, 3, Varied);
  WriteAll(Path("in.bmp"), source);
  ASSERT_TRUE(Write16(Path("in.bmp"), Path("out.bmp")).ok());
  const QByteArray out = ReadAll(Path("out.bmp"));
  ExpectHandheldBitmap(source, out, 239, 3, Varied);
  EXPECT_EQ(U32(out, 2), static_cast<std::uint32_t>(source.size()));  // not the real length
  EXPECT_NE(U32(out, 2), static_cast<std::uint32_t>(out.size()));
  EXPECT_EQ(U32(out, 34), 720u * 3);
}

TEST_F(Write16Test, FullScreenWidthHasNoPadding) {
  const QByteArray source = MakeBmp24(240, 160, Varied);
  WriteAll(Path("in.bmp"), source);
  ASSERT_TRUE(Write16(Path("in.bmp"), Path("out.bmp")).ok());
  const QByteArray out = ReadAll(Path("out.bmp"));
  EXPECT_EQ(out.size(), 54 + 480 * 160);
  ExpectHandheldBitmap(source, out, 240, 160, Varied);
}

TEST_F(Write16Test, PixelsAreReadFromTheSourceOffsetAndRowHookRunsOncePerRow) {
  const QByteArray source = MakeBmp24(5, 4, Varied, 16);
  WriteAll(Path("in.bmp"), source);
  int rows = 0;
  ASSERT_TRUE(Write16(Path("in.bmp"), Path("out.bmp"), [&] { ++rows; }).ok());
  EXPECT_EQ(rows, 4);
  ExpectHandheldBitmap(source, ReadAll(Path("out.bmp")), 5, 4, Varied);
}

TEST_F(Write16Test, ReplacesAnExistingLongerFile) {
  WriteAll(Path("out.bmp"), QByteArray(100000, 'x'));
  const QByteArray source = MakeBmp24(2, 2, Varied);
  WriteAll(Path("in.bmp"), source);
  ASSERT_TRUE(Write16(Path("in.bmp"), Path("out.bmp")).ok());
  EXPECT_EQ(ReadAll(Path("out.bmp")).size(), 54 + 4 * 2);
}

TEST_F(Write16Test, RefusesSourcesThatAreNotUncompressed24BitBitmaps) {
  QByteArray eightBit = MakeBmp24(4, 4, Varied);
  eightBit[28] = 8;
  QByteArray compressed = MakeBmp24(4, 4, Varied);
  compressed[30] = 1;
  const QByteArray truncated = MakeBmp24(4, 4, Varied).left(54 + 20);
  const QByteArray notBmp("GIF89a this is not a bitmap at all, but it is long enough to hold a header....");
  for (const QByteArray& bad : {eightBit, compressed, truncated, notBmp}) {
    WriteAll(Path("bad.bmp"), bad);
    const Status s = Write16(Path("bad.bmp"), Path("out.bmp"));
    EXPECT_EQ(s.number, kErrNotBitmap24);
    EXPECT_FALSE(s.message.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Path("out.bmp")));
  }
  EXPECT_EQ(Write16(Path("missing.bmp"), Path("out.bmp")).number, kErrReadFailed);
}

TEST_F(Write16Test, WriteIntoAMissingFolderFails) {
  WriteAll(Path("in.bmp"), MakeBmp24(3, 3, Varied));
  EXPECT_EQ(Write16(Path("in.bmp"), Path("nowhere/out.bmp")).number, kErrWriteFailed);
}

// The whole path of the handheld format: picture -> imaging control ->
// 24-bit intermediate -> 16-bit file, checked against the PNG's own pixels.
TEST_F(Write16Test, ConvertedPictureMatchesItsSourcePixels) {
  const std::vector<std::array<int, 3>> colours{{255, 255, 255}, {255, 0, 0},  {0, 0, 255},  {8, 24, 40},
                                                {0, 0, 0},       {7, 16, 248}, {12, 15, 252}};
  const int width = 7, height = 3;
  auto rgbAt = [&](int x, int y) { return colours[static_cast<size_t>((x + y) % 7)]; };
  SavePicture(MakePicture(width, height,
                          [&](int x, int y) {
                            const auto c = rgbAt(x, y);
                            return Rgb8(c[0], c[1], c[2]);
                          }),
              Path("colours.png"), "PNG");

  ImagingControl control;
  ASSERT_TRUE(control.Load(Path("colours.png")).ok());
  const PictureEntry entry{"colours.png", Path("colours.png"), 3, 240, 160};
  const ConvertResult r = ConvertEntry(control, entry, {Folder(), 1, false, Path("scratch.bmp")});
  ASSERT_TRUE(r.status.ok()) << r.status.message.toStdString();
  EXPECT_EQ(r.outputName, "colours.BMP");

  const QByteArray out = ReadAll(r.outputPath);
  ASSERT_EQ(out.size(), 54 + 16 * height);  // 7 pixels = 14 bytes + 2 padding
  EXPECT_EQ(U32(out, 18), 7u);
  EXPECT_EQ(U32(out, 22), 3u);
  for (int row = 0; row < height; ++row) {
    const int y = height - 1 - row;  // rows are stored bottom first
    for (int x = 0; x < width; ++x) {
      const auto c = rgbAt(x, y);
      const Bgr p{static_cast<std::uint8_t>(c[2]), static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[0])};
      EXPECT_EQ(U16(out, 54 + row * 16 + 2 * x), ExpectedWord(p)) << x << "," << y;
    }
  }
}

// A produced handheld file shown in the preview keeps its colours: red stays red, blue stays
// blue, while an ordinary 16-bit bitmap is still read as one.
TEST_F(Write16Test, HandheldFileIsPreviewedInItsOwnColours) {
  const BgrFunction halves = [](int x, int) { return x < 4 ? Bgr{0, 0, 255} : Bgr{255, 0, 0}; };  // red | blue
  WriteAll(Path("in.bmp"), MakeBmp24(8, 2, halves));
  ASSERT_TRUE(Write16(Path("in.bmp"), Path("out.bmp")).ok());
  ImagingControl control;
  ASSERT_TRUE(LoadPicture(control, Path("out.bmp"), Path("scratch.bmp"), FallbackWhen::AnyError).ok());
  control.SetRegionWidth(8);
  control.SetRegionHeight(2);
  const QImage preview = control.Preview();
  // Mid-halves: at the picture's outer edges the smooth scaling may mix in the far side.
  const QColor left = preview.pixelColor(60, 80), right = preview.pixelColor(180, 80);
  EXPECT_GT(left.red(), 240);
  EXPECT_LT(left.blue(), 16);
  EXPECT_GT(right.blue(), 240);
  EXPECT_LT(right.red(), 16);

  // Size fields of its own 16-bit pixels: an ordinary 5-5-5 bitmap.
  QByteArray ordinary = ReadAll(Path("out.bmp"));
  EXPECT_TRUE(IsHandheld16(ordinary));
  PutU32(ordinary, 2, static_cast<std::uint32_t>(ordinary.size()));
  PutU32(ordinary, 34, 16 * 2);
  EXPECT_FALSE(IsHandheld16(ordinary));
}

}  // namespace
}  // namespace picfit
