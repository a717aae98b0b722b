// The encoder's region measurements and motion search against plain restatements of their
// rules, over data built to sit on the rules' edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

#include "codec/encode_motion.h"
#include "codec/encode_planes.h"
#include "codec/encode_region_sums.h"
#include "codec/encode_region_tests.h"
#include "codec/prep_cpu.h"
#include "tests/codec/encoder_test_pictures.h"

namespace tarn::codec {
namespace {

using testing::Picture;
using testing::RidgedReference;

TEST(YuvPlane, MatchesTheFixedPointFormulaForEveryColour) {
  // All 2^24 colours would be slow; every blue/green/red step of 3 covers each table entry.
  Picture picture;
  YuvPlane plane;
  int checked = 0;
  for (int b = 0; b < 256; b += 3)
    for (int g = 0; g < 256; g += 3) {
      for (int r = 0; r < 256; r += 3) {
        std::uint8_t* p = &picture.bytes()[static_cast<std::size_t>(checked % kReferencePixels) * 3];
        p[0] = std::uint8_t(b), p[1] = std::uint8_t(g), p[2] = std::uint8_t(r);
        ++checked;
        if (checked % kReferencePixels != 0) continue;
        BuildYuvPlane(picture.data(), plane);
        for (std::size_t i = 0; i < kReferencePixels; ++i) {
          const std::uint8_t* q = &picture.data()[i * 3];
          // Written out here: Y from separately shifted products, U and V from the differences.
          const int y = ((q[1] * 615514) >> 20) + ((q[0] * 119538) >> 20) + ((q[2] * 313524) >> 20);
          ASSERT_EQ(plane.y[i], y);
          ASSERT_EQ(plane.u[i], ((q[0] - y) * 589244) >> 20);
          ASSERT_EQ(plane.v[i], ((q[2] - y) * 743962) >> 20);
        }
      }
    }
  EXPECT_GT(checked, 600000);
}

TEST(FillTest, IntegerShortcutAgreesWithTheFloatingPointComparison) {
  std::mt19937 random(17);
  int nearLimit = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const int n = 2 << (trial % 6);  // 2 to 64 pixels
    ChannelSums sums{};
    const int spread = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < 3; ++c) {
        const int value = 100 + static_cast<int>(random() % static_cast<unsigned>(spread));
        sums.sum[c] += value;
        sums.sumOfSquares[c] += value * value;
      }
    const double variance = VarianceSum(sums, n);
    for (int limit = static_cast<int>(variance) - 2; limit <= static_cast<int>(variance) + 2; ++limit) {
      ASSERT_EQ(VarianceSumAtMost(sums, n, limit), static_cast<double>(limit) >= variance)
          << "n " << n << " limit " << limit << " variance " << variance;
      nearLimit += std::abs(limit - variance) < 1.0;
    }
  }
  EXPECT_GT(nearLimit, 1000);
}

// Planes whose differences cluster around the keep test's limits: one pixel in `oneIn`
// differs in one component, mostly just over 2e (an outlier), sometimes by e / 2, now and
// then over 4e.
void FillPlanes(std::mt19937& random, YuvPlane& current, YuvPlane& reference, int e, int oneIn) {
  for (std::size_t i = 0; i < kReferencePixels; ++i) {
    reference.y[i] = static_cast<std::int16_t>(random() % 200);
    reference.u[i] = static_cast<std::int16_t>(static_cast<int>(random() % 200) - 100);
    reference.v[i] = static_cast<std::int16_t>(static_cast<int>(random() % 200) - 100);
    current.y[i] = reference.y[i], current.u[i] = reference.u[i], current.v[i] = reference.v[i];
    if (random() % static_cast<unsigned>(oneIn) != 0) continue;
    const auto kind = random() % 10;
    const int size = kind < 6 ? 2 * e + 1 : kind < 9 ? e / 2 : 4 * e + 1;
    const int signedSize = random() % 2 ? size : -size;
    const auto which = random() % 3;
    std::int16_t& target = which == 0 ? current.y[i] : which == 1 ? current.u[i] : current.v[i];
    target = static_cast<std::int16_t>(target + signedSize);
  }
}

// The keep test as it reads: no difference over 4e, at most 2 (under 9 pixels) or n/4 pixels
// with one over 2e, and a total of at most e * n.
bool KeepByTheRules(const YuvPlane& c, const YuvPlane& r, int x0, int y0, int w, int h, int e) {
  int outliers = 0, total = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const int i = y * kScreenWidth + x;
      const int d[3] = {std::abs(c.y[i] - r.y[i]), std::abs(c.u[i] - r.u[i]), std::abs(c.v[i] - r.v[i])};
      if (*std::max_element(d, d + 3) > 4 * e) return false;
      if (*std::max_element(d, d + 3) > 2 * e) ++outliers;
      total += d[0] + d[1] + d[2];
    }
  const int n = w * h;
  return outliers <= (n < 9 ? 2 : n / 4) && total <= e * n;
}

// Every region of one shape in the picture, the bottom-right one (whose last byte ends the
// picture) included, against summing its pixels one by one; and the fill test, at limits from
// just under to just over the region's variance sum, against the comparison of those sums, from
// the pixels and (regions of whole cells) from the frame's cells.
template <int W, int H>
void ExpectRegionSumsOfEveryRegion(const Picture& picture) {
  const ShapeOps& ops = OpsForShape(W, H);
  constexpr bool kWholeCells = W % FillCells::kSide == 0 && H % FillCells::kSide == 0;
  auto cells = std::make_unique<FillCells>(), narrowCells = std::make_unique<FillCells>();
  BuildFillCells(picture.data(), *cells);
  AllowPrepAvx2(false);
  BuildFillCells(picture.data(), *narrowCells);
  AllowPrepAvx2(true);
  ASSERT_TRUE(cells->values == narrowCells->values) << "the widest and the narrow cells differ";
  for (int y = 0; y + H <= kScreenHeight; y += H)
    for (int x = 0; x + W <= kScreenWidth; x += W) {
      const ChannelSums expected = ops.channelSums(picture.Pixel(x, y));
      const ChannelSums got = RegionSums<W, H>(picture.Pixel(x, y));
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(got.sum[c], expected.sum[c]) << W << "x" << H << " at " << x << "," << y << " channel " << c;
        ASSERT_EQ(got.sumOfSquares[c], expected.sumOfSquares[c]) << W << "x" << H << " at " << x << "," << y;
      }
      const int variance = static_cast<int>(VarianceSum(expected, W * H));
      for (int limit = variance - 1; limit <= variance + 1; ++limit) {
        std::uint8_t colour[3] = {1, 2, 3};
        const bool fills = FillTest<W, H>(picture.Pixel(x, y), limit, colour);
        ASSERT_EQ(fills, VarianceSumAtMost(expected, W * H, limit)) << W << "x" << H << " at " << x << "," << y;
        for (int c = 0; fills && c < 3; ++c) ASSERT_EQ(colour[c], expected.sum[c] / (W * H)) << W << "x" << H;
        // The same test in two steps, as a measure kept for a second run of the level is used.
        std::uint8_t kept[3] = {1, 2, 3};
        const bool keptFills =
            FillTestOfScaled<W, H>(FillScaled<W, H>(picture.Pixel(x, y)), picture.Pixel(x, y), limit, kept);
        ASSERT_EQ(keptFills, fills) << W << "x" << H << " at " << x << "," << y;
        for (int c = 0; fills && c < 3; ++c) ASSERT_EQ(kept[c], colour[c]) << W << "x" << H;
        // And from the frame's cells, for the regions that cover whole ones.
        if constexpr (kWholeCells) {
          std::uint8_t added[3] = {1, 2, 3};
          const bool cellsFill =
              FillTestOfCells<W, H>(cells->At(y * kScreenWidth + x), picture.Pixel(x, y), limit, added);
          ASSERT_EQ(cellsFill, fills) << W << "x" << H << " at " << x << "," << y;
          for (int c = 0; fills && c < 3; ++c) ASSERT_EQ(added[c], colour[c]) << W << "x" << H;
        }
      }
    }
}

// Noise (every byte value in every position), white (the largest squares) and the ridged
// picture, for each shape the analysis asks about.
TEST(RegionSums, AndTheFillTestAgreeWithThePixelSumsOfEveryRegion) {
  Picture white, noise;
  Picture ridged = RidgedReference();
  std::fill(white.bytes().begin(), white.bytes().end(), std::uint8_t{255});
  std::mt19937 random(7);
  for (auto& byte : noise.bytes()) byte = static_cast<std::uint8_t>(random());
  for (const Picture* picture : {&noise, &white, &ridged}) {
    ExpectRegionSumsOfEveryRegion<8, 8>(*picture);
    ExpectRegionSumsOfEveryRegion<4, 8>(*picture);
    ExpectRegionSumsOfEveryRegion<8, 4>(*picture);
    ExpectRegionSumsOfEveryRegion<4, 4>(*picture);
    ExpectRegionSumsOfEveryRegion<2, 4>(*picture);
    ExpectRegionSumsOfEveryRegion<4, 2>(*picture);
    ExpectRegionSumsOfEveryRegion<2, 2>(*picture);
    ExpectRegionSumsOfEveryRegion<1, 2>(*picture);
    ExpectRegionSumsOfEveryRegion<2, 1>(*picture);
  }
}

// The differences straight from two pictures against those of their converted planes, with
// the widest kernels, AVX2 and the portable ones: noise (every difference size) and the extremes
// (the largest differences of each component) in both orders.
TEST(KeepDifferences, FromThePicturesEqualThoseOfTheirPlanes) {
  Picture noise, white, black, ridged = RidgedReference();
  std::mt19937 random(31);
  for (auto& byte : noise.bytes()) byte = static_cast<std::uint8_t>(random());
  std::fill(white.bytes().begin(), white.bytes().end(), std::uint8_t{255});
  for (std::size_t i = 0; i < black.bytes().size(); ++i) black.bytes()[i] = i % 3 == 1 ? 255 : 0;  // green only
  auto current = std::make_unique<YuvPlane>(), reference = std::make_unique<YuvPlane>();
  auto expected = std::make_unique<KeepDifferences>(), got = std::make_unique<KeepDifferences>();
  const std::pair<const Picture*, const Picture*> pairs[] = {{&noise, &ridged}, {&ridged, &noise}, {&white, &black},
                                                             {&black, &white},  {&noise, &white},  {&black, &noise}};
  for (const int level : {2, 1, 0}) {  // the widest kernels, AVX2, portable
    AllowPrepAvx2(level > 0);
    AllowPrepAvx512(level > 1);
    for (const auto& [a, b] : pairs) {
      BuildYuvPlane(a->data(), *current);
      BuildYuvPlane(b->data(), *reference);
      BuildKeepDifferences(*current, *reference, *expected);
      BuildKeepDifferences(a->data(), b->data(), *got);
      ASSERT_EQ(got->largest, expected->largest) << "level " << level;
      ASSERT_EQ(got->sum, expected->sum) << "level " << level;
    }
  }
  AllowPrepAvx2(true);
}

// Every colour once in each picture: the current pictures run through the colours upwards, the
// references downwards, so that a product off by one for any byte shows in some difference.
TEST(KeepDifferences, FromThePicturesEqualThoseOfTheirPlanesForEveryColour) {
  constexpr std::uint32_t kColours = 1u << 24;
  Picture current, reference;
  auto currentPlane = std::make_unique<YuvPlane>(), referencePlane = std::make_unique<YuvPlane>();
  auto expected = std::make_unique<KeepDifferences>(), got = std::make_unique<KeepDifferences>();
  for (std::uint32_t first = 0; first < kColours; first += kReferencePixels) {
    AllowPrepAvx512(first / kReferencePixels % 2 == 0);  // the widest kernels and AVX2 by turns
    for (std::uint32_t i = 0; i < kReferencePixels; ++i) {
      const std::uint32_t up = (first + i) % kColours, down = kColours - 1 - up;
      for (int channel = 0; channel < 3; ++channel) {
        current.bytes()[i * 3 + channel] = static_cast<std::uint8_t>(up >> (8 * channel));
        reference.bytes()[i * 3 + channel] = static_cast<std::uint8_t>(down >> (8 * channel));
      }
    }
    BuildYuvPlane(current.data(), *currentPlane);
    BuildYuvPlane(reference.data(), *referencePlane);
    BuildKeepDifferences(*currentPlane, *referencePlane, *expected);
    BuildKeepDifferences(current.data(), reference.data(), *got);
    ASSERT_EQ(got->largest, expected->largest) << "from colour " << first;
    ASSERT_EQ(got->sum, expected->sum) << "from colour " << first;
  }
  AllowPrepAvx512(true);
}

TEST(KeepTest, AgreesWithTheRulesForEveryShape) {
  std::mt19937 random(23);
  auto current = std::make_unique<YuvPlane>(), reference = std::make_unique<YuvPlane>();
  auto differences = std::make_unique<KeepDifferences>();
  const int shapes[][2] = {{8, 8}, {4, 8}, {8, 4}, {4, 4}, {2, 4}, {4, 2}, {2, 2}, {1, 2}, {2, 1}};
  int passes = 0, checks = 0;
  for (int e : {4, 8, 12, 20, 60}) {
    for (int oneIn : {8, 4, 3, 2}) {
      FillPlanes(random, *current, *reference, e, oneIn);
      BuildKeepDifferences(*current, *reference, *differences);
      for (const auto& shape : shapes) {
        const ShapeOps& ops = OpsForShape(shape[0], shape[1]);
        for (int y = 0; y + shape[1] <= kScreenHeight; y += shape[1])
          for (int x = 0; x + shape[0] <= kScreenWidth; x += shape[0]) {
            const bool expected = KeepByTheRules(*current, *reference, x, y, shape[0], shape[1], e);
            ASSERT_EQ(ops.keep(*differences, y * kScreenWidth + x, e), expected)
                << shape[0] << "x" << shape[1] << " at " << x << "," << y << " e " << e;
            passes += expected;
            ++checks;
          }
      }
    }
  }
  EXPECT_GT(passes, checks / 10);
  EXPECT_LT(passes, checks - checks / 10);
}

// The motion search as it reads, without remembered costs or whole-register reads.
int PlainCost(const Picture& prepared, const Picture& reference, int offset, int w, int h, int vector) {
  if (vector < 0 || vector > 255) return 48960;
  const int start = offset + ((vector >> 4) - 8) * 720 + ((vector & 15) - 8) * 3;
  if (start < 0 || start + (h - 1) * 720 + w * 3 >= 115200) return 48960;
  int cost = 0;
  for (int row = 0; row < h; ++row)
    for (int i = 0; i < w * 3; ++i)
      cost += std::abs(prepared.data()[offset + row * 720 + i] - reference.data()[start + row * 720 + i]);
  return cost;
}

MotionSearch::Result PlainSearch(const Picture& prepared, const Picture& reference, int offset, int w, int h,
                                 int predicted) {
  const auto best = [&](int centre, std::initializer_list<int> steps) {
    MotionSearch::Result b{centre, PlainCost(prepared, reference, offset, w, h, centre)};
    for (int step : steps) {
      const int cost = PlainCost(prepared, reference, offset, w, h, centre + step);
      if (cost < b.cost) b = {centre + step, cost};
    }
    return b;
  };
  MotionSearch::Result b{predicted, 0};
  for (;;) {
    const MotionSearch::Result next = best(b.vector, {-32, -17, -15, -2, 2, 15, 17, 32});
    if (next.vector == b.vector) break;
    b = next;
  }
  return best(b.vector, {-16, -1, 1, 16});
}

TEST(MotionSearch, AgreesWithAPlainDiamondSearchUpToThePictureEdges) {
  // A smooth picture and a shifted, slightly noisy copy, so that searches travel.
  Picture reference = RidgedReference();
  Picture prepared;
  std::mt19937 random(29);
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x)
      for (int c = 0; c < 3; ++c)
        prepared.Pixel(x, y)[c] = static_cast<std::uint8_t>(
            std::clamp(reference.Pixel(std::min(x + 3, kScreenWidth - 1), std::max(y - 2, 0))[c] +
                           static_cast<int>(random() % 9) - 4,
                       0, 255));
  const int shapes[][2] = {{8, 8}, {4, 8}, {8, 4}, {4, 4}, {2, 4}, {4, 2}, {2, 2}, {1, 2}, {2, 1}};
  int unusable = 0;
  // The widest kernels the processor has (AVX-512), AVX2, then the portable ones.
  for (const int level : {2, 1, 0}) {
    AllowPrepAvx2(level > 0);
    AllowPrepAvx512(level > 1);
    MotionSearch search;
    for (const auto& shape : shapes) {
      const int w = shape[0], h = shape[1];
      for (int y = 0; y + h <= kScreenHeight; y += h)
        for (int x = 0; x + w <= kScreenWidth; x += w) {
          if (y >= 16 && y < kScreenHeight - 16 && x >= 16 && x < kScreenWidth - 16 && random() % 8 != 0) continue;
          const int offset = (y * kScreenWidth + x) * 3;
          const int predicted = static_cast<int>(random() % 256);
          const MotionSearch::Result got = search.Search(prepared.data(), reference.data(), w, h, offset, predicted);
          const MotionSearch::Result want = PlainSearch(prepared, reference, offset, w, h, predicted);
          ASSERT_EQ(got.vector, want.vector) << w << "x" << h << " at " << x << "," << y << " level " << level;
          ASSERT_EQ(got.cost, want.cost) << w << "x" << h << " at " << x << "," << y << " level " << level;
          unusable += got.cost == 48960;
        }
    }
  }
  AllowPrepAvx2(true);
  AllowPrepAvx512(true);
  EXPECT_GT(unusable, 0) << "some searches at the picture's end find nothing usable";
}

// A picture whose last byte is the last readable one: the next page is mapped unreadable.
class PictureBeforeAGuardPage {
 public:
  PictureBeforeAGuardPage() {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    pictureBytes_ = (kRgbPictureBytes + page - 1) / page * page;
    mapped_ = mmap(nullptr, pictureBytes_ + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped_ == MAP_FAILED) return;
    mprotect(static_cast<std::uint8_t*>(mapped_) + pictureBytes_, page, PROT_NONE);
    mappedBytes_ = pictureBytes_ + page;
  }
  ~PictureBeforeAGuardPage() {
    if (mappedBytes_ != 0) munmap(mapped_, mappedBytes_);
  }
  PictureBeforeAGuardPage(const PictureBeforeAGuardPage&) = delete;
  PictureBeforeAGuardPage& operator=(const PictureBeforeAGuardPage&) = delete;

  bool Mapped() const { return mappedBytes_ != 0; }
  std::uint8_t* data() { return static_cast<std::uint8_t*>(mapped_) + pictureBytes_ - kRgbPictureBytes; }

 private:
  void* mapped_ = nullptr;
  std::size_t pictureBytes_ = 0;
  std::size_t mappedBytes_ = 0;
};

TEST(MotionSearch, ReadsNothingPastThePicturesAtTheirEnd) {
  PictureBeforeAGuardPage prepared, reference;
  ASSERT_TRUE(prepared.Mapped() && reference.Mapped());
  const Picture ridged = RidgedReference();
  std::copy_n(ridged.data(), kRgbPictureBytes, reference.data());
  std::copy_n(ridged.data(), kRgbPictureBytes, prepared.data());
  const int shapes[][2] = {{8, 8}, {4, 8}, {8, 4}, {4, 4}, {2, 4}, {4, 2}, {2, 2}, {1, 2}, {2, 1}};
  for (const int level : {2, 1, 0}) {
    AllowPrepAvx2(level > 0);
    AllowPrepAvx512(level > 1);
    MotionSearch search;
    for (const auto& shape : shapes) {
      const int w = shape[0], h = shape[1];
      for (int y = kScreenHeight - 16; y + h <= kScreenHeight; y += h)
        for (int x = kScreenWidth - 16; x + w <= kScreenWidth; x += w)
          for (const int predicted : {kZeroVector, 0, 255, 120, 150})
            search.Search(prepared.data(), reference.data(), w, h, (y * kScreenWidth + x) * 3, predicted);
    }
  }
  AllowPrepAvx2(true);
  AllowPrepAvx512(true);
}

}  // namespace
}  // namespace tarn::codec
