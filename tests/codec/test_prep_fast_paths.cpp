// The preparation's fused and vector paths against the straightforward step-by-step path,
// bit for bit, on odd sizes and every kind of setting, with and without AVX2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"

namespace tarn::codec {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next(std::uint32_t range) {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) % range;
  }

 private:
  std::uint32_t state_;
};

// YUY2 rows of smooth ramps with noise and runs of extreme codes, so that the conversion
// clamps at both ends as well as in between.
Bytes MakeYuy2(int width, int height, Random& random) {
  const std::size_t rowBytes = static_cast<std::size_t>((width + 1) / 2) * 4;
  Bytes bytes(rowBytes * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::size_t row = i / rowBytes, column = i % rowBytes;
    const std::uint32_t ramp = static_cast<std::uint32_t>(column * 3 + row * 5);
    bytes[i] = static_cast<std::uint8_t>(random.Next(8) == 0 ? (random.Next(2) ? 255 : 0) : ramp + random.Next(24));
  }
  return bytes;
}

// Every vector level the processor offers, down to the portable paths.
enum class VectorLevel { kWidest, kAvx2, kPortable };

class EveryVectorLevel : public ::testing::TestWithParam<VectorLevel> {
 protected:
  void SetUp() override {
    AllowPrepAvx2(GetParam() != VectorLevel::kPortable);
    AllowPrepAvx512(GetParam() == VectorLevel::kWidest);
  }
  void TearDown() override { AllowPrepAvx2(true); }
};

TEST_P(EveryVectorLevel, ConvertingWhileHalvingGivesTheTwoStepsPicture) {
  Random random(77);
  const int widths[] = {1, 2, 3, 4, 15, 16, 17, 18, 31, 33, 34, 47, 130, 481, 720, 721};
  const int heights[] = {1, 2, 3, 17, 18, 35, 480, 577};
  const FitSettings targets[] = {
      {},                           // 240 x 160: halves a disc picture once
      {8, 8, false, false, 2},      // halves small pictures several times
      {360, 240, false, false, 2},  // halves only very large pictures
      {120, 16, true, false, 1},
  };
  int cases = 0;
  for (int width : widths) {
    for (int height : heights) {
      if (width * height > 400'000) continue;
      const FitSettings& settings = targets[static_cast<std::size_t>(cases++) % 4];
      const Bytes yuy2 = MakeYuy2(width, height, random);
      const std::size_t full = static_cast<std::size_t>(width) * height * 3;

      Bytes expected(full);
      YuvToRgb(yuy2.data(), expected.data(), width, height);
      int expectedW = width, expectedH = height;
      HalvePicture(expected.data(), expectedW, expectedH, settings);

      Bytes got(full + 32, 0xEE);  // canary bytes after the full-size picture
      int gotW = width, gotH = height;
      YuvToHalvedRgb(yuy2.data(), got.data(), gotW, gotH, settings);

      const std::string what = std::to_string(width) + "x" + std::to_string(height) + " -> " +
                               std::to_string(settings.targetWidth) + "x" + std::to_string(settings.targetHeight);
      ASSERT_EQ(expectedW, gotW) << what;
      ASSERT_EQ(expectedH, gotH) << what;
      const auto kept = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(gotW) * gotH * 3);
      ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + kept, got.begin())) << what;
      for (std::size_t i = full; i < got.size(); ++i) ASSERT_EQ(got[i], 0xEE) << what;
    }
  }
}

// Every (Y, U, V): row pair y of the picture has luma y, group u of it chroma (u, v), so each
// halved pixel is one conversion, clamped at either end or not, taken four times.
TEST_P(EveryVectorLevel, ConvertingWhileHalvingAgreesForEveryCode) {
  constexpr int kWidth = 512, kHeight = 512;
  Bytes yuy2(std::size_t{kWidth} * kHeight * 2), expected(std::size_t{kWidth} * kHeight * 3), got(expected.size());
  for (int v = 0; v < 256; ++v) {
    for (std::size_t group = 0; group < yuy2.size() / 4; ++group) {
      const auto y = static_cast<std::uint8_t>(group / (kWidth / 2) / 2);
      const auto u = static_cast<std::uint8_t>(group % (kWidth / 2));
      const std::uint8_t bytes[4] = {y, u, y, static_cast<std::uint8_t>(v)};
      std::copy_n(bytes, 4, yuy2.begin() + static_cast<std::ptrdiff_t>(group * 4));
    }
    int expectedW = kWidth, expectedH = kHeight;
    AllowPrepAvx2(false);
    YuvToRgb(yuy2.data(), expected.data(), kWidth, kHeight);
    HalvePicture(expected.data(), expectedW, expectedH, FitSettings{});
    SetUp();
    int gotW = kWidth, gotH = kHeight;
    YuvToHalvedRgb(yuy2.data(), got.data(), gotW, gotH, FitSettings{});
    ASSERT_EQ(gotW * 2, kWidth);
    ASSERT_EQ(gotH * 2, kHeight);
    const auto halved = static_cast<std::ptrdiff_t>(gotW * gotH * 3);
    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + halved, got.begin())) << "v " << v;
  }
}

// One halving pass, 2 x 2 averages straight from the rule; an odd last row pairs with itself.
Bytes HalveOnce(const Bytes& in, int width, int height) {
  const int outWidth = width / 2;
  Bytes out(static_cast<std::size_t>(outWidth) * ((height + 1) / 2) * 3);
  for (int y = 0; y < (height + 1) / 2; ++y) {
    const int lower = std::min(2 * y + 1, height - 1);
    for (int x = 0; x < outWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        const auto at = [&](int px, int py) { return in[(static_cast<std::size_t>(py) * width + px) * 3 + c]; };
        out[(static_cast<std::size_t>(y) * outWidth + x) * 3 + c] = static_cast<std::uint8_t>(
            (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, lower) + at(2 * x + 1, lower)) >> 2);
      }
    }
  }
  return out;
}

TEST_P(EveryVectorLevel, HalvingInPlaceGivesTheRulesAverages) {
  Random random(91);
  for (int round = 0; round < 60; ++round) {
    const int width = 1 + static_cast<int>(random.Next(round % 3 == 0 ? 1500 : 200));
    const int height = 1 + static_cast<int>(random.Next(round % 3 == 1 ? 1000 : 100));
    const FitSettings settings{8 * (1 + static_cast<int>(random.Next(45))), 8 * (1 + static_cast<int>(random.Next(30))),
                               false, false, 2};
    Bytes picture(static_cast<std::size_t>(width) * height * 3);  // exactly sized
    for (std::uint8_t& b : picture) b = static_cast<std::uint8_t>(random.Next(256));
    Bytes expected = picture;
    int expectedW = width, expectedH = height;
    while (expectedW > 2 * settings.targetWidth || expectedH > 2 * settings.targetHeight) {
      expected = HalveOnce(expected, expectedW, expectedH);
      expectedW /= 2;
      expectedH /= 2;
    }
    int w = width, h = height;
    HalvePicture(picture.data(), w, h, settings);
    ASSERT_EQ(w, expectedW);
    ASSERT_EQ(h, expectedH);
    const auto kept = static_cast<std::ptrdiff_t>(static_cast<std::size_t>(w) * h * 3);
    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + kept, picture.begin()))
        << width << "x" << height << " -> " << settings.targetWidth << "x" << settings.targetHeight;
  }
}

// A scene with smooth ramps, hard edges and noise, bottom-up BGR rows of width x 3 bytes.
Bytes MakeScene(int width, int height, Random& random) {
  Bytes bytes(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
      const bool inBox = (x / 13 + y / 11) % 3 == 0;
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(inBox ? 240 : y * 255 / height);
      p[2] = static_cast<std::uint8_t>(random.Next(256));
    }
  }
  return bytes;
}

// Sizes that make the column and row ratios whole eighths (the vector path) as well as
// arbitrary ones, for every fitting rule, tone curve, saturation shift and sharpening level.
TEST(FitPictureFastPath, WholePixelRowsGiveThePortableRowsPicture) {
  Random random(4242);
  int fixedRatioCases = 0;
  for (int round = 0; round < 160; ++round) {
    const int targetW = 8 * (1 + static_cast<int>(random.Next(45)));
    const int targetH = 8 * (1 + static_cast<int>(random.Next(30)));
    int width = 0, height = 0;
    if (round % 4 == 3) {
      width = 1 + static_cast<int>(random.Next(800));
      height = 1 + static_cast<int>(random.Next(600));
    } else {
      // Eighths of the target up to twice its size, as the halving leaves it (odd ones too).
      width = std::max(1, targetW * static_cast<int>(1 + random.Next(16)) / 8);
      height = std::max(1, targetH * static_cast<int>(1 + random.Next(16)) / 8);
      ++fixedRatioCases;
    }
    if (round < 8) {  // the disc cases, one per rule
      width = round % 2 == 0 ? 360 : 720;
      height = round % 2 == 0 ? 240 : 480;
    }
    const FitSettings settings{round < 8 ? (round % 2 == 0 ? 240 : 360) : targetW,
                               round < 8 ? (round % 2 == 0 ? 160 : 240) : targetH, round % 8 == 2 || round % 8 == 3,
                               round % 8 >= 4, static_cast<int>(random.Next(9))};
    PictureTables tables;
    const int enhance = round % 3 == 0 ? 10 : static_cast<int>(random.Next(100));
    BuildPictureTables(static_cast<int>(random.Next(100)), static_cast<int>(random.Next(100)), enhance, tables);
    if (round % 5 == 4) {
      // Tables of any bytes, as callers may set them: every entry of both halves, out of order.
      for (std::uint8_t& t : tables.tone) t = static_cast<std::uint8_t>(random.Next(256));
      for (std::uint8_t& d : tables.detail) d = static_cast<std::uint8_t>(random.Next(256));
    }
    const Bytes picture = MakeScene(width, height, random);

    const auto fit = [&](VectorLevel level) {
      AllowPrepAvx2(level != VectorLevel::kPortable);
      AllowPrepAvx512(level == VectorLevel::kWidest);
      Bytes work(kRgbPictureBytes, 0x55), prepared(kRgbPictureBytes, 0xAA);
      FitPicture(picture.data(), width, height, settings, tables, work.data(), prepared.data());
      AllowPrepAvx2(true);
      return prepared;
    };
    const Bytes portable = fit(VectorLevel::kPortable);
    ASSERT_EQ(portable, fit(VectorLevel::kAvx2))
        << width << "x" << height << " -> " << settings.targetWidth << "x" << settings.targetHeight << " stretch "
        << settings.changeScale << " fill " << settings.fullOut << " S " << settings.saturationShift << " enhance "
        << enhance;
    ASSERT_EQ(portable, fit(VectorLevel::kWidest)) << width << "x" << height << " widest";
  }
  EXPECT_GT(fixedRatioCases, 100);
}

std::string LevelName(const ::testing::TestParamInfo<VectorLevel>& level) {
  switch (level.param) {
    case VectorLevel::kWidest:
      return "Widest";
    case VectorLevel::kAvx2:
      return "Avx2";
    default:
      return "Portable";
  }
}

INSTANTIATE_TEST_SUITE_P(Prep, EveryVectorLevel,
                         ::testing::Values(VectorLevel::kWidest, VectorLevel::kAvx2, VectorLevel::kPortable),
                         LevelName);

}  // namespace
}  // namespace tarn::codec
