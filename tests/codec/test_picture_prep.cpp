// Picture preparation: tables, colour conversion, halving, fitting, placement and sharpening.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec/picture_prep.h"
#include "codec/prep_geometry.h"

namespace tarn::codec {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------------
// Helpers

// A smooth coloured scene with edges, in bottom-up BGR rows of `width` x 3 bytes.
Bytes MakeScene(int width, int height) {
  Bytes bytes(static_cast<std::size_t>(width) * height * 3);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
      const bool inBox = (x / 37 + y / 29) % 3 == 0;
      p[0] = static_cast<std::uint8_t>((x * 255) / width);
      p[1] = static_cast<std::uint8_t>(inBox ? 230 : (y * 255) / height);
      p[2] = static_cast<std::uint8_t>(((x + y) * 3 + (noise >> 28)) & 255);
    }
  }
  return bytes;
}

Bytes MakeYuy2(int width, int height) {
  Bytes bytes(static_cast<std::size_t>((width + 1) / 2) * 4 * height);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>((i * 7 + (i / 1440) * 3 + (i % 4 == 0 ? 16 : 0)) & 255);
  }
  return bytes;
}

// A source whose every pixel is grey `value(column, row)`; rows counted from the buffer start.
template <typename Value>
Bytes MakeGrey(int width, int height, Value value) {
  Bytes bytes(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto v = static_cast<std::uint8_t>(value(x, y));
      std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = p[1] = p[2] = v;
    }
  }
  return bytes;
}

// Tables whose tone step changes nothing, so sampled values can be read off the output.
PictureTables IdentityTables() {
  PictureTables tables{};
  for (int i = 0; i < 256; ++i) tables.tone[i] = static_cast<std::uint8_t>(i);
  return tables;
}

std::uint64_t Fnv1a(const Bytes& bytes) {
  std::uint64_t hash = 1469598103934665603ull;
  for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

const std::uint8_t* ScreenPixel(const Bytes& prepared, int column, int row) {
  return &prepared[static_cast<std::size_t>(row) * kRgbStride + static_cast<std::size_t>(column) * 3];
}

struct Prepared {
  Bytes picture = Bytes(kRgbPictureBytes, 0xAA);  // not black, so black must be written
  Bytes work = Bytes(kRgbPictureBytes, 0x55);
};

Prepared Fit(const Bytes& source, int width, int height, const FitSettings& settings, const PictureTables& tables) {
  Prepared out;
  FitPicture(source.data(), width, height, settings, tables, out.work.data(), out.picture.data());
  return out;
}

// Halves a copy of `source` and fits it, like the filter does for every frame.
Bytes Prepare(Bytes source, int width, int height, const FitSettings& settings, const PictureTables& tables) {
  HalvePicture(source.data(), width, height, settings);
  return Fit(source, width, height, settings, tables).picture;
}

// ---------------------------------------------------------------------------------------------
// Tables

TEST(PictureTables, NeutralSettingsGiveMaskedIdentityAndNoSharpening) {
  PictureTables tables;
  BuildPictureTables(50, 50, 10, tables);
  EXPECT_FALSE(tables.sharpen);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(tables.tone[i], i & 0xF8) << i;
    EXPECT_EQ(tables.detail[i], (i >> 1) & 0xF8) << i;
  }
}

TEST(PictureTables, KnownValuesForSeveralSettings) {
  struct Case {
    int brightness, contrast, enhance;
    std::vector<std::pair<int, int>> tone, detail;
  };
  const std::vector<Case> cases = {
      {75,
       75,
       10,
       {{0, 0}, {16, 16}, {40, 48}, {64, 72}, {100, 120}, {128, 152}, {160, 192}, {200, 224}, {240, 248}, {255, 248}},
       {{200, 96}}},
      {50,
       80,
       20,
       {{16, 0}, {64, 40}, {100, 80}, {128, 128}, {160, 168}, {200, 216}, {255, 248}},
       {{32, 0}, {100, 16}, {128, 32}, {200, 72}, {255, 120}}},
      {30,
       50,
       0,
       {{16, 0}, {64, 40}, {100, 72}, {128, 104}, {160, 136}, {200, 184}},
       {{0, 128}, {100, 128}, {255, 128}}},
  };
  for (const Case& c : cases) {
    PictureTables tables;
    BuildPictureTables(c.brightness, c.contrast, c.enhance, tables);
    EXPECT_EQ(tables.sharpen, c.enhance != 10);
    for (auto [index, value] : c.tone) EXPECT_EQ(tables.tone[index], value) << "tone " << index;
    for (auto [index, value] : c.detail) EXPECT_EQ(tables.detail[index], value) << "detail " << index;
  }
}

TEST(PictureTables, SettingsOutsideTheDigitsStayInRangeAndMasked) {
  for (int setting : {-50, 0, 99, 100, 1000}) {
    PictureTables tables;
    BuildPictureTables(setting, setting, setting, tables);
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(tables.tone[i] % 8, 0);
      EXPECT_EQ(tables.detail[i] % 8, 0);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// YUV to RGB

// The conversion written out directly, in 64-bit arithmetic with floor division.
void ReferenceYuv(int y, int u, int v, std::uint8_t* bgr) {
  const std::int64_t e = std::int64_t{y} * 1220944 - 19535104;
  const auto clampShift = [](std::int64_t sum) {
    const std::int64_t value = sum >= 0 ? sum / (1 << 20) : -((-sum + (1 << 20) - 1) / (1 << 20));
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
  };
  bgr[0] = clampShift(std::int64_t{u} * 2115221 - 270224000 + e);
  bgr[1] = clampShift(162220288 - std::int64_t{v} * 852458 - std::int64_t{u} * 410792 + e);
  bgr[2] = clampShift(std::int64_t{v} * 1673555 - 213690752 + e);
}

TEST(YuvToRgb, VideoBlackAndWhiteAndEveryCodeAgainstTheFormula) {
  std::uint8_t out[6];
  const std::uint8_t black[4] = {16, 128, 16, 128};
  YuvToRgb(black, out, 2, 1);
  for (std::uint8_t b : out) EXPECT_EQ(b, 0);
  const std::uint8_t white[4] = {235, 128, 235, 128};
  YuvToRgb(white, out, 2, 1);
  for (std::uint8_t b : out) EXPECT_EQ(b, 255);

  // Every (Y, U, V) with U and V on a grid, two pixels per group.
  for (int u = 0; u < 256; u += 5) {
    for (int v = 0; v < 256; v += 3) {
      Bytes source;
      for (int y = 0; y < 256; y += 2) {
        source.insert(source.end(), {static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(u),
                                     static_cast<std::uint8_t>(y + 1), static_cast<std::uint8_t>(v)});
      }
      Bytes target(256 * 3);
      YuvToRgb(source.data(), target.data(), 256, 1);
      for (int y = 0; y < 256; ++y) {
        std::uint8_t expected[3];
        ReferenceYuv(y, u, v, expected);
        ASSERT_EQ(0, std::memcmp(expected, &target[static_cast<std::size_t>(y) * 3], 3))
            << "y " << y << " u " << u << " v " << v;
      }
    }
  }
}

TEST(YuvToRgb, MirrorsRowsAndKeepsOddWidthsInsideTheirRows) {
  for (int width : {6, 5, 21, 24, 27}) {
    const int height = 3;
    const int groups = (width + 1) / 2;
    Bytes source(static_cast<std::size_t>(groups) * 4 * height);
    for (int row = 0; row < height; ++row) {
      for (int g = 0; g < groups; ++g) {
        std::uint8_t* group = &source[(static_cast<std::size_t>(row) * groups + g) * 4];
        group[0] = static_cast<std::uint8_t>(40 + row * 60 + g);  // grey levels, U = V = 128
        group[2] = static_cast<std::uint8_t>(41 + row * 60 + g);
        group[1] = group[3] = 128;
      }
    }
    const std::size_t size = static_cast<std::size_t>(width) * height * 3;
    Bytes target(size + 16, 0xEE);  // canary bytes after the picture
    YuvToRgb(source.data(), target.data(), width, height);
    for (std::size_t i = size; i < target.size(); ++i) EXPECT_EQ(target[i], 0xEE) << width;
    for (int row = 0; row < height; ++row) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* group = &source[(static_cast<std::size_t>(row) * groups + x / 2) * 4];
        std::uint8_t expected[3];
        ReferenceYuv(group[(x % 2) * 2], 128, 128, expected);
        const std::uint8_t* got = &target[(static_cast<std::size_t>(height - 1 - row) * width + x) * 3];
        EXPECT_EQ(0, std::memcmp(expected, got, 3)) << "width " << width << " row " << row << " x " << x;
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Halving

// One halving pass into a fresh buffer: 2 x 2 averages, an odd last row paired with itself.
Bytes ReferenceHalve(const Bytes& in, int width, int height) {
  const int outWidth = width / 2;
  Bytes out(static_cast<std::size_t>(outWidth) * (height / 2) * 3);
  for (int y = 0; y < height / 2; ++y) {
    const int lower = std::min(2 * y + 1, height - 1);
    for (int x = 0; x < outWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        const auto at = [&](int px, int py) { return in[(static_cast<std::size_t>(py) * width + px) * 3 + c]; };
        const int sum = at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, lower) + at(2 * x + 1, lower);
        out[(static_cast<std::size_t>(y) * outWidth + x) * 3 + c] = static_cast<std::uint8_t>(sum >> 2);
      }
    }
  }
  return out;
}

TEST(HalvePicture, HalvesUntilAtMostTwiceTheTarget) {
  struct Case {
    int width, height, targetW, targetH, passes, endW, endH;
  };
  const Case cases[] = {
      {720, 480, 240, 160, 1, 360, 240},  // a disc picture, default target
      {720, 576, 240, 160, 1, 360, 288},
      {720, 480, 360, 240, 0, 720, 480},  // the largest target keeps the full picture
      {1440, 960, 240, 160, 2, 360, 240},
      {43, 43, 8, 8, 2, 10, 10},  // odd widths and heights in both passes
      {35, 9, 8, 8, 2, 8, 2},
  };
  for (const Case& c : cases) {
    const FitSettings settings{c.targetW, c.targetH, false, false, 2};
    Bytes expected = MakeScene(c.width, c.height);
    // Exactly sized, so that any read or write past the picture is caught by the sanitizer.
    Bytes picture = expected;
    int width = c.width, height = c.height;
    for (int pass = 0; pass < c.passes; ++pass) {
      expected = ReferenceHalve(expected, width, height);
      width /= 2;
      height /= 2;
    }
    width = c.width;
    height = c.height;
    HalvePicture(picture.data(), width, height, settings);
    EXPECT_EQ(width, c.endW);
    EXPECT_EQ(height, c.endH);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(width) * height * 3);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), picture.begin())) << c.width << "x" << c.height;
  }
}

// ---------------------------------------------------------------------------------------------
// Fitting geometry

TEST(FitGeometry, DiscPicturesWithTheDefaultTarget) {
  const FitSettings defaults;
  const FitGeometry ntsc = ComputeFitGeometry(360, 240, defaults);  // 720 x 480 halved
  EXPECT_DOUBLE_EQ(ntsc.rx, 1.5);
  EXPECT_DOUBLE_EQ(ntsc.ry, 1.5);
  EXPECT_EQ(ntsc.placedWidth, 240);
  EXPECT_EQ(ntsc.placedHeight, 160);
  EXPECT_EQ(ntsc.startOffset, 0);
  EXPECT_FALSE(ntsc.evenRows);

  const FitGeometry pal = ComputeFitGeometry(360, 288, defaults);  // 720 x 576 halved
  EXPECT_DOUBLE_EQ(pal.rx, 1.8);
  EXPECT_EQ(pal.placedWidth, 200);
  EXPECT_EQ(pal.placedHeight, 160);
  EXPECT_EQ(pal.left, 20);
  EXPECT_EQ(pal.top, 0);
  EXPECT_EQ(pal.startOffset, 0);
}

TEST(FitGeometry, LargestTargetCutsAThirdOfTheExcessRowsBelow) {
  const FitSettings large{360, 240, false, false, 2};
  const FitGeometry g = ComputeFitGeometry(720, 480, large);
  EXPECT_DOUBLE_EQ(g.rx, 2.0);
  EXPECT_DOUBLE_EQ(g.ry, 2.0);
  EXPECT_EQ(g.placedWidth, 240);
  EXPECT_EQ(g.placedHeight, 160);
  EXPECT_EQ(g.startOffset, ((480 - 320) / 3 * 720 + (720 - 480) / 2) * 3);
  EXPECT_TRUE(g.evenRows);
}

TEST(FitGeometry, StretchAndFillVariants) {
  const FitSettings stretch{240, 160, true, false, 2};
  FitGeometry g = ComputeFitGeometry(360, 288, stretch);
  EXPECT_DOUBLE_EQ(g.rx, 1.5);
  EXPECT_DOUBLE_EQ(g.ry, 1.8);
  EXPECT_EQ(g.placedWidth, 240);
  EXPECT_EQ(g.placedHeight, 160);
  EXPECT_EQ(g.startOffset, 0);

  // Fill: the smaller ratio for both axes, the excess rows cut evenly above and below.
  const FitSettings fill{240, 160, false, true, 2};
  g = ComputeFitGeometry(360, 288, fill);
  EXPECT_DOUBLE_EQ(g.rx, 1.5);
  EXPECT_DOUBLE_EQ(g.ry, 1.5);
  EXPECT_EQ(g.placedWidth, 240);
  EXPECT_EQ(g.placedHeight, 160);
  EXPECT_EQ(g.startOffset, (288 - 240) / 2 * 360 * 3);

  // Fill with a target beyond the screen fits inside; the offset uses the unclamped width.
  const FitSettings fillLarge{360, 240, false, true, 2};
  g = ComputeFitGeometry(360, 288, fillLarge);
  EXPECT_DOUBLE_EQ(g.rx, 1.2);
  EXPECT_EQ(g.placedWidth, 240);
  EXPECT_EQ(g.startOffset, (288 - 192) / 2 * 360 * 3);

  // A narrow target fits inside with black bands above and below.
  const FitSettings narrow{120, 160, false, false, 2};
  g = ComputeFitGeometry(360, 240, narrow);
  EXPECT_DOUBLE_EQ(g.ry, 3.0);
  EXPECT_EQ(g.placedWidth, 120);
  EXPECT_EQ(g.placedHeight, 80);
  EXPECT_EQ(g.left, 60);
  EXPECT_EQ(g.top, 40);

  EXPECT_EQ(ComputeFitGeometry(0, 240, FitSettings{}).placedWidth, 0);
}

// ---------------------------------------------------------------------------------------------
// Fitting pictures

TEST(FitPicture, DefaultDiscPictureFillsTheScreenRightWayUp) {
  // Bottom half of the source (first rows in memory) red, top half blue.
  const Bytes source = [] {
    Bytes bytes(720 * 480 * 3);
    for (std::size_t p = 0; p < 720 * 480; ++p) bytes[p * 3 + (p < 720 * 240 ? 2 : 0)] = 200;
    return bytes;
  }();
  PictureTables tables;
  BuildPictureTables(50, 50, 10, tables);
  const Bytes prepared = Prepare(source, 720, 480, FitSettings{}, tables);
  // Saturation shift 2 on (200, 0, 0): 200 + (400 >> 2) clamps to 255, the others lose 50.
  const std::uint8_t blue[3] = {255, 0, 0}, red[3] = {0, 0, 255};
  EXPECT_EQ(0, std::memcmp(ScreenPixel(prepared, 0, 0), blue, 3));
  EXPECT_EQ(0, std::memcmp(ScreenPixel(prepared, 239, 78), blue, 3));
  EXPECT_EQ(0, std::memcmp(ScreenPixel(prepared, 0, 81), red, 3));
  EXPECT_EQ(0, std::memcmp(ScreenPixel(prepared, 239, 159), red, 3));
}

TEST(FitPicture, ColumnsSampleOneAndAHalfSourcePixelsApart) {
  // Grey level = column; x = 2n samples column 3n, x = 2n + 1 halfway between 3n + 1 and 3n + 2.
  const Bytes source = MakeGrey(360, 240, [](int x, int) { return x < 256 ? x : 0; });
  const Prepared out = Fit(source, 360, 240, FitSettings{}, IdentityTables());
  for (int row : {0, 77, 159}) {
    for (int x = 0; x < 170; ++x) {
      EXPECT_EQ(ScreenPixel(out.picture, x, row)[1], (3 * x) / 2) << "x " << x << " row " << row;
    }
  }
}

TEST(FitPicture, TallSourcesUseEvenRowsCountedFromTheStartOffset) {
  // 720 x 480 into the 360 x 240 target: 53 rows are cut below, so the sampled rows are the
  // odd rows of the buffer.
  const Bytes source = MakeGrey(720, 480, [](int, int y) { return y % 200; });
  const FitSettings large{360, 240, false, false, 2};
  const Bytes prepared = Prepare(source, 720, 480, large, IdentityTables());
  for (int screenRow = 0; screenRow < 160; ++screenRow) {
    const int y = 159 - screenRow;
    for (int x : {0, 120, 239}) {
      EXPECT_EQ(ScreenPixel(prepared, x, screenRow)[0], (53 + 2 * y) % 200) << screenRow;
    }
  }
}

TEST(FitPicture, LastColumnPairsWithItselfWhenEnlarging) {
  // 100 columns stretched to 240: the last output column samples between column 99 and the
  // row's end. Column 0 is black, so reading on into the next row would darken it.
  const Bytes source = MakeGrey(100, 160, [](int x, int) { return x == 0 ? 0 : 200; });
  const FitSettings stretch{240, 160, true, false, 2};
  const Prepared out = Fit(source, 100, 160, stretch, IdentityTables());
  for (int row : {0, 80, 159}) EXPECT_GE(ScreenPixel(out.picture, 239, row)[1], 199) << row;
}

TEST(FitPicture, SamplesBeyondTheSourceReadBlack) {
  // Target 248 wide: halved to 360 x 240, start offset 6 pixels, so the top row's samples run
  // past the end of the buffer from column 236 on (half weight of the second row).
  const FitSettings wide{248, 160, false, false, 2};
  const FitGeometry g = ComputeFitGeometry(360, 240, wide);
  ASSERT_EQ(g.startOffset, 18);
  const Bytes source = MakeGrey(720, 480, [](int, int) { return 200; });
  const Bytes prepared = Prepare(source, 720, 480, wide, IdentityTables());
  for (int x = 0; x < 240; ++x) {
    EXPECT_EQ(ScreenPixel(prepared, x, 0)[2], x < 236 ? 200 : 100) << x;
    EXPECT_EQ(ScreenPixel(prepared, x, 1)[2], 200) << x;
  }
}

TEST(FitPicture, SamplesBeyondTheSourceReadBlackWithUnevenRatios) {
  // Target 264 wide on a PAL picture: start offset 16 pixels, ratio 1.8, so the top row's
  // second sampled row ends past the buffer from about column 191 on.
  const FitSettings wide{264, 160, false, false, 2};
  const FitGeometry g = ComputeFitGeometry(360, 288, wide);
  ASSERT_EQ(g.startOffset, 48);
  ASSERT_EQ(g.placedWidth, 200);
  const Bytes source = MakeGrey(720, 576, [](int, int) { return 200; });
  const Bytes prepared = Prepare(source, 720, 576, wide, IdentityTables());
  EXPECT_GE(ScreenPixel(prepared, 20, 0)[0], 199);
  EXPECT_LT(ScreenPixel(prepared, 219, 0)[0], 190);
  for (int x = 20; x < 220; ++x) EXPECT_GE(ScreenPixel(prepared, x, 1)[0], 199) << x;
}

TEST(FitPicture, PalPictureHasBlackSideBandsAndNeutralToneKeepsMultiplesOfEight) {
  std::uint32_t seed = 99;
  const Bytes source = MakeGrey(720, 576, [&](int, int) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) & 255);
  });
  PictureTables tables;
  BuildPictureTables(50, 50, 10, tables);
  const Bytes prepared = Prepare(source, 720, 576, FitSettings{}, tables);
  bool anyBright = false;
  for (int row = 0; row < 160; ++row) {
    for (int x = 0; x < 240; ++x) {
      const std::uint8_t* p = ScreenPixel(prepared, x, row);
      if (x < 20 || x >= 220) {
        EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0) << x << "," << row;
      } else {
        // Grey survives the saturation step unchanged.
        EXPECT_EQ(p[0] % 8, 0);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        anyBright = anyBright || p[0] > 64;
      }
    }
  }
  EXPECT_TRUE(anyBright);
}

// The fitting and sampling rules written out pixel by pixel, straight from their formulas,
// to hold the row-wise code to on random sizes and settings.
Bytes ReferenceFit(const Bytes& picture, int w, int h, const FitSettings& s, const PictureTables& tables) {
  Bytes out(kRgbPictureBytes, 0);
  const int W = s.targetWidth, H = s.targetHeight;
  const long sw = std::min(w, 2048), sh = std::min(h, 1536);
  double rx = static_cast<double>(sw) / W, ry = static_cast<double>(sh) / H;
  long wo = std::min(W, 240), ho = std::min(H, 160), o = 0;
  const auto tr = [](double v) { return static_cast<long>(std::trunc(v)); };
  const auto offset = [&](long share) {
    return ((sh - tr(static_cast<double>(ho) * ry)) / share * w + (sw - tr(static_cast<double>(wo) * rx)) / 2) * 3;
  };
  const bool big = W > 240 || H > 160;
  if (s.changeScale) {
    wo = W;
    ho = H;
    if (big) o = offset(3);
  } else if (!s.fullOut || big) {
    if (big && !s.fullOut) o = offset(3);
    if (ry > rx) {
      wo = tr(static_cast<double>(sw) / ry);
      rx = ry;
    } else {
      ho = tr(static_cast<double>(sh) / rx);
      ry = rx;
    }
    if (s.fullOut) o = offset(2);
  } else {
    rx = ry = std::min(rx, ry);
    o = offset(2);
  }
  wo = std::min(wo, 240L);
  ho = std::min(ho, 160L);
  const auto p = [&](long k, long r, int c) -> double {
    const long index = o / 3 + r * w + k;
    return index >= 0 && index < static_cast<long>(w) * h ? picture[static_cast<std::size_t>(index) * 3 + c] : 0;
  };
  for (long y = 0; y < ho; ++y) {
    const double fy = static_cast<double>(y) * ry;
    long r = tr(fy), r2;
    double f;
    if (sh > 400) {
      if (r % 2) --r;
      f = (fy - static_cast<double>(r)) * 0.5;
      r2 = r + 2 < h ? r + 2 : r;
    } else {
      f = fy - static_cast<double>(r);
      r2 = r + 1 < h ? r + 1 : r;
    }
    for (long x = 0; x < wo; ++x) {
      const double fx = static_cast<double>(x) * rx;
      const long k = tr(fx), k2 = k + 1 == w ? k : k + 1;
      const double g = fx - static_cast<double>(k);
      int v[3];
      for (int c = 0; c < 3; ++c) {
        double value;
        if (f == 0 && g == 0)
          value = p(k, r, c);
        else if (f == 0)
          value = p(k, r, c) * (1 - g) + p(k2, r, c) * g;
        else if (g == 0)
          value = p(k, r, c) * (1 - f) + p(k, r2, c) * f;
        else
          value = ((1 - g) * p(k, r, c) + g * p(k2, r, c)) * (1 - f) + ((1 - g) * p(k, r2, c) + g * p(k2, r2, c)) * f;
        v[c] = tables.tone[static_cast<int>(std::trunc(value))];
      }
      std::uint8_t* px = &out[static_cast<std::size_t>((160 - ho) / 2 + ho - 1 - y) * kRgbStride +
                              static_cast<std::size_t>((240 - wo) / 2 + x) * 3];
      for (int c = 0; c < 3; ++c) {
        const int a = v[(c + 1) % 3], b = v[(c + 2) % 3];
        px[c] = static_cast<std::uint8_t>(std::clamp(v[c] + ((2 * v[c] - a - b) >> s.saturationShift), 0, 255));
      }
    }
  }
  return out;
}

TEST(FitPicture, MatchesThePixelByPixelRulesOnRandomSizesAndSettings) {
  std::uint32_t seed = 2024;
  const auto next = [&](std::uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % range);
  };
  PictureTables tables;
  BuildPictureTables(75, 75, 10, tables);
  for (int round = 0; round < 60; ++round) {
    const int width = 1 + next(round % 4 == 0 ? 800 : 400);
    const int height = 1 + next(round % 4 == 1 ? 600 : 300);
    FitSettings settings{8 * (1 + next(45)), 8 * (1 + next(30)), next(4) == 0, next(2) == 0, 1 + next(8)};
    if (round % 3 == 0) settings.targetWidth = 240;  // the common targets, on odd sizes
    if (round % 3 == 0) settings.targetHeight = 160;
    Bytes picture = MakeScene(width, height);
    int w = width, h = height;
    HalvePicture(picture.data(), w, h, settings);
    const Bytes expected = ReferenceFit(picture, w, h, settings, tables);
    const Bytes got = Fit(picture, w, h, settings, tables).picture;
    ASSERT_EQ(expected, got) << width << "x" << height << " -> " << settings.targetWidth << "x" << settings.targetHeight
                             << " stretch " << settings.changeScale << " fill " << settings.fullOut;
  }
}

// ---------------------------------------------------------------------------------------------
// Sharpening

TEST(Sharpening, LeavesThePlacedPicturesBorderAndBlackBandsAlone) {
  const Bytes source = MakeScene(720, 576);  // placed 200 x 160 at column 20
  PictureTables plain, sharp;
  BuildPictureTables(75, 75, 10, plain);
  BuildPictureTables(75, 75, 5, sharp);
  const Bytes unsharpened = Prepare(source, 720, 576, FitSettings{}, plain);
  const Bytes sharpened = Prepare(source, 720, 576, FitSettings{}, sharp);
  int changed = 0;
  for (int row = 0; row < 160; ++row) {
    for (int x = 0; x < 240; ++x) {
      const bool border = row == 0 || row == 159 || x <= 20 || x >= 219;
      const std::uint8_t* before = ScreenPixel(unsharpened, x, row);
      const std::uint8_t* after = ScreenPixel(sharpened, x, row);
      if (border) {
        ASSERT_EQ(0, std::memcmp(before, after, 3)) << x << "," << row;
        continue;
      }
      // Every channel moves by the same detail amount of the blue difference.
      const int neighbours = ScreenPixel(unsharpened, x - 1, row)[0] + ScreenPixel(unsharpened, x + 1, row)[0] +
                             ScreenPixel(unsharpened, x, row - 1)[0] + ScreenPixel(unsharpened, x, row + 1)[0];
      const int d = before[0] - (neighbours >> 2);
      const int amount = d >= 0 ? sharp.detail[d] : -sharp.detail[-d];
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(after[c], std::clamp(before[c] + amount, 0, 255)) << x << "," << row;
      }
      changed += amount != 0;
    }
  }
  EXPECT_GT(changed, 1000);
}

TEST(Sharpening, PlacedPictureOfTwoRowsIsCopiedUnchanged) {
  const Bytes source = MakeScene(480, 4);  // ratio 2: placed 240 x 2
  ASSERT_EQ(ComputeFitGeometry(480, 4, FitSettings{}).placedHeight, 2);
  PictureTables plain, sharp;
  BuildPictureTables(75, 75, 10, plain);
  BuildPictureTables(75, 75, 40, sharp);
  EXPECT_EQ(Prepare(source, 480, 4, FitSettings{}, plain), Prepare(source, 480, 4, FitSettings{}, sharp));
}

// ---------------------------------------------------------------------------------------------
// Whole preparation: fixed outputs, so that faster code can be checked bit for bit.

TEST(PreparedPicture, OutputsStayBitForBitTheSame) {
  struct Case {
    const char* name;
    int width, height;
    bool yuv;
    FitSettings settings;
    int brightness, contrast, enhance;
    std::uint64_t hash;
  };
  const Case cases[] = {
      {"ntsc rgb default", 720, 480, false, {}, 75, 75, 10, 4629710426973042065ull},
      {"ntsc yuy2 default", 720, 480, true, {}, 75, 75, 10, 17377460551570134215ull},
      {"ntsc rgb sharpened", 720, 480, false, {}, 75, 75, 5, 5559280703812496743ull},
      {"pal rgb", 720, 576, false, {}, 60, 40, 10, 11138293770059315386ull},
      {"pal yuy2 fill", 720, 576, true, {240, 160, false, true, 3}, 75, 75, 10, 4597772160541189882ull},
      {"ntsc stretch 200x120", 720, 480, false, {200, 120, true, false, 1}, 75, 75, 20, 17826548802616958985ull},
      {"ntsc largest target", 720, 480, false, {360, 240, false, false, 2}, 75, 75, 10, 8310682403266970437ull},
      {"pal largest target fill", 720, 576, false, {360, 240, false, true, 8}, 75, 75, 0, 307678575794020625ull},
      {"odd 333x201 wide", 333, 201, false, {296, 136, false, false, 2}, 75, 75, 10, 9087822267647211664ull},
  };
  for (const Case& c : cases) {
    PictureTables tables;
    BuildPictureTables(c.brightness, c.contrast, c.enhance, tables);
    Bytes picture;
    if (c.yuv) {
      const Bytes yuy2 = MakeYuy2(c.width, c.height);
      picture.resize(static_cast<std::size_t>(c.width) * c.height * 3);
      YuvToRgb(yuy2.data(), picture.data(), c.width, c.height);
    } else {
      picture = MakeScene(c.width, c.height);
    }
    const Bytes prepared = Prepare(picture, c.width, c.height, c.settings, tables);
    EXPECT_EQ(Fnv1a(prepared), c.hash) << c.name;
    if (c.yuv) {
      // The filter's path: converted and halved in one pass.
      int width = c.width, height = c.height;
      YuvToHalvedRgb(MakeYuy2(c.width, c.height).data(), picture.data(), width, height, c.settings);
      EXPECT_EQ(Fnv1a(Fit(picture, width, height, c.settings, tables).picture), c.hash) << c.name;
    }
  }
}

}  // namespace
}  // namespace tarn::codec
