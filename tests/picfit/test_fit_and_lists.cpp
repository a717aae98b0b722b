// Fit arithmetic, preview regions, output names and the two lists.

#include "picfit/engine/fit_mode.h"
#include "picfit/engine/output_list.h"
#include "picfit/engine/output_naming.h"
#include "picfit_test_support.h"
#include "picfit/engine/picture_list.h"

namespace picfit {
namespace {

using namespace picfit::testing;

TEST(FitMode, PhotographSizedPictureInEachMode) {
  EXPECT_EQ(FittedSize(kFitStretch, 640, 480, 240, 160), QSize(240, 160));
  EXPECT_EQ(FittedSize(kFitHorizontal, 640, 480, 240, 160), QSize(240, 180));
  EXPECT_EQ(FittedSize(kFitVertical, 640, 480, 240, 160), QSize(213, 160));  // 213.33
  EXPECT_EQ(FittedSize(kFitNone, 640, 480, 240, 160), QSize(640, 480));      // not cut to the screen
}

TEST(FitMode, QuotientsRoundHalfToEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5000001), 3);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  // 4 x 1 picture fitted to width 2: height 0.5 -> 0 by the rounding, kept at one row.
  EXPECT_EQ(FittedSize(kFitHorizontal, 4, 1, 2, 160), QSize(2, 1));
  // 100 x 3 to width 50: 1.5 -> 2; 100 x 5 to width 50: 2.5 -> 2.
  EXPECT_EQ(FittedSize(kFitHorizontal, 100, 3, 50, 160).height(), 2);
  EXPECT_EQ(FittedSize(kFitHorizontal, 100, 5, 50, 160).height(), 2);
  EXPECT_EQ(FittedSize(kFitVertical, 5, 100, 240, 50).width(), 2);
}

TEST(FitMode, ZeroTargetIsOnePixel) {
  EXPECT_EQ(FittedSize(kFitStretch, 640, 480, 0, 0), QSize(1, 1));
  EXPECT_EQ(FittedSize(kFitHorizontal, 640, 480, 0, 160), QSize(1, 1));
  EXPECT_EQ(FittedSize(kFitVertical, 640, 480, 240, 0), QSize(1, 1));
  const PreviewRegion r = RegionFor(kFitStretch, 640, 480, 0, 0);
  EXPECT_DOUBLE_EQ(r.width, 640.0 * 240);
  EXPECT_DOUBLE_EQ(r.height, 480.0 * 160);
}

TEST(FitMode, PreviewRegions) {
  const PreviewRegion horizontal = RegionFor(kFitHorizontal, 640, 480, 240, 160);
  EXPECT_DOUBLE_EQ(horizontal.width, 640);
  EXPECT_NEAR(horizontal.height, 426.67, 0.005);
  const PreviewRegion stretch = RegionFor(kFitStretch, 640, 480, 320, 100);
  EXPECT_DOUBLE_EQ(stretch.width, 480);
  EXPECT_DOUBLE_EQ(stretch.height, 768);
  const PreviewRegion vertical = RegionFor(kFitVertical, 640, 480, 240, 160);
  EXPECT_DOUBLE_EQ(vertical.width, 720);
  EXPECT_DOUBLE_EQ(vertical.height, 480);
  const PreviewRegion none = RegionFor(kFitNone, 640, 480, 240, 160);
  EXPECT_DOUBLE_EQ(none.width, 240);
  EXPECT_DOUBLE_EQ(none.height, 160);
}

TEST(FitMode, SlidersPerMode) {
  EXPECT_TRUE(SlidersFor(0).width && SlidersFor(0).height);
  EXPECT_TRUE(SlidersFor(1).width && !SlidersFor(1).height);
  EXPECT_TRUE(!SlidersFor(2).width && SlidersFor(2).height);
  EXPECT_TRUE(!SlidersFor(3).width && !SlidersFor(3).height);
}

TEST(OutputNames, ExtensionReplacedByBmp) {
  EXPECT_EQ(OutputNameFor("photo.jpg"), "photo.BMP");
  EXPECT_EQ(OutputNameFor("photo.jpeg"), "photo.jBMP");
  EXPECT_EQ(OutputNameFor("abc"), "BMP");
  EXPECT_EQ(OutputNameFor("ab"), "ab.BMP");
  EXPECT_EQ(OutputNameFor(""), ".BMP");
  EXPECT_EQ(JoinFolder("/out/", "a.BMP"), "/out/a.BMP");
  EXPECT_EQ(JoinFolder("/out", "a.BMP"), "/out/a.BMP");
}

class KeepExistingTest : public PicfitFolderTest {};

TEST_F(KeepExistingTest, RenamesWhileAFileExists) {
  EXPECT_EQ(KeepExistingName(Folder(), "a.BMP"), "a.BMP");
  WriteAll(Path("a.BMP"), "x");
  WriteAll(Path("a_1.BMP"), "x");
  int probes = 0;
  EXPECT_EQ(KeepExistingName(Folder(), "a.BMP", [&] { ++probes; }), "a_1_1.BMP");
  EXPECT_EQ(probes, 3);
  WriteAll(Path("BMP"), "x");
  EXPECT_EQ(KeepExistingName(Folder() + "/", "BMP"), "_1.BMP");
}

TEST(PictureList, AddSelectsTheNewEntryAndAllowsRepeats) {
  PictureList list;
  EXPECT_EQ(list.Selected(), nullptr);
  EXPECT_EQ(list.Add({"a.jpg", "/p/a.jpg", 1, 240, 160}), 0);
  EXPECT_EQ(list.Add({"a.jpg", "/p/a.jpg", 1, 240, 160}), 1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.SelectedIndex(), 1);
  list.Select(5);
  EXPECT_EQ(list.SelectedIndex(), 1);
}

TEST(PictureList, RemovalSelectsThePreviousOrFirstAndOthersKeepTheirSettings) {
  PictureList list;
  list.Add({"a", "/a", 0, 100, 50});
  list.Add({"b", "/b", 2, 200, 60});
  list.Add({"c", "/c", 3, 300, 70});

  list.Select(0);
  EXPECT_EQ(list.RemoveSelected(), 0);  // first removed: the new first
  EXPECT_EQ(list.Selected()->displayName, "b");

  list.Add({"d", "/d", 1, 400, 80});  // b, c, d
  list.Select(1);
  EXPECT_EQ(list.RemoveSelected(), 0);  // middle removed: the one before
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0).fitMode, 2);
  EXPECT_EQ(list.At(0).targetWidth, 200);
  EXPECT_EQ(list.At(1).displayName, "d");
  EXPECT_EQ(list.At(1).targetHeight, 80);

  EXPECT_EQ(list.RemoveSelected(), 0);
  EXPECT_EQ(list.RemoveSelected(), -1);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.RemoveSelected(), -1);  // nothing happens on an empty list
}

TEST(OutputList, SameNameAndPathIgnoringCaseSelectsInsteadOfGrowing) {
  OutputList list;
  EXPECT_FALSE(list.AddOrSelect("a.BMP", "/o/a.BMP").existed);
  EXPECT_FALSE(list.AddOrSelect("b.BMP", "/o/b.BMP").existed);
  EXPECT_EQ(list.SelectedIndex(), -1);  // appending leaves the selection alone

  const auto again = list.AddOrSelect("A.bmp", "/O/A.BMP");
  EXPECT_TRUE(again.existed);
  EXPECT_EQ(again.index, 0);
  EXPECT_EQ(list.SelectedIndex(), 0);
  EXPECT_EQ(list.Count(), 2);

  EXPECT_FALSE(list.AddOrSelect("a.BMP", "/other/a.BMP").existed);  // same name, other folder
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.SelectedIndex(), 0);
}

}  // namespace
}  // namespace picfit
