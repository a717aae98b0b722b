// Text subtitles of a video file drawn onto pictures: an ASS script as it is written, scaled
// from its own resolution to the picture; plain SRT text in white with a dark edge at the
// bottom, wrapped within the picture.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "platform/file_subtitles.h"
#include "platform/media_formats.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::platform::FileSubtitles;

constexpr int kWidth = 640, kHeight = 480;
constexpr std::uint8_t kGrey = 128;

struct Rgb {
  int r, g, b;
};

struct Box {
  int left = kWidth, top = kHeight, right = -1, bottom = -1;  // inclusive; empty while right < left
  int pixels = 0;
};

// A grey RGB24 picture (bottom-up, as the file source delivers it) with the subtitles at
// `seconds` drawn on.
Bytes Drawn(FileSubtitles& subtitles, double seconds) {
  Bytes picture(tarn::platform::Rgb24FrameBytes(kWidth, kHeight), kGrey);
  subtitles.DrawOnto(picture.data(), MEDIASUBTYPE_RGB24, static_cast<REFERENCE_TIME>(seconds * 10'000'000));
  return picture;
}

// The pixels of the picture's rectangle (top-down coordinates) that `wanted` picks, and
// where they lie.
Box Find(const Bytes& picture, const std::function<bool(Rgb)>& wanted, int left = 0, int top = 0, int right = kWidth,
         int bottom = kHeight) {
  Box box;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const std::uint8_t* pixel = &picture[(static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 3];
      if (!wanted({pixel[2], pixel[1], pixel[0]})) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y),
             box.pixels + 1};
    }
  return box;
}

bool Red(Rgb c) { return c.r > 200 && c.g < 60 && c.b < 60; }
bool Green(Rgb c) { return c.g > 200 && c.r < 60 && c.b < 60; }
bool Blue(Rgb c) { return c.b > 200 && c.r < 60 && c.g < 60; }
bool White(Rgb c) { return c.r > 230 && c.g > 230 && c.b > 230; }
bool Dark(Rgb c) { return c.r < 40 && c.g < 40 && c.b < 40; }
bool Changed(Rgb c) { return c.r != kGrey || c.g != kGrey || c.b != kGrey; }

class FileSubtitlesTest : public ::testing::Test {
 protected:
  // An MPEG-4 file with the subtitle file `name` as its one subtitle stream.
  std::string MakeMkv(const std::string& name, const std::string& text, const std::string& codec) {
    std::ofstream(dir_.path() / name) << text;
    EXPECT_TRUE(Ffmpeg(dir_.path(), "-f lavfi -i color=gray:size=640x480:rate=25 -i " + name +
                                        " -t 3 -map 0 -map 1 -c:v mpeg4 -c:s " + codec + " subtitled.mkv"));
    return (dir_.path() / "subtitled.mkv").string();
  }

  media_test::TempDir dir_;
};

// Two styles (bold red at the top, green italic at the bottom left) and a blue line placed by
// \pos, on a script of 320x240 drawn on a 640x480 picture: each shows in its place while its
// event lasts, and nothing shows where none belongs.
TEST_F(FileSubtitlesTest, AssStylesAndPositionedLinesShowWhereTheScriptPutsThem) {
  const std::string file = MakeMkv(
      "styled.ass",
      "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\nScaledBorderAndShadow: yes\n\n"
      "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
      "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
      "Alignment, MarginL, MarginR, MarginV, Encoding\n"
      "Style: Top,DejaVu Sans,40,&H000000FF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,2,0,8,10,10,10,1\n"
      "Style: Corner,DejaVu Serif,30,&H0000FF00,&H000000FF,&H00000000,&H00000000,0,1,0,0,100,100,0,0,1,2,0,1,10,"
      "10,10,1\n\n"
      "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
      "Dialogue: 0,0:00:00.50,0:00:01.50,Top,,0,0,0,,TOP\n"
      "Dialogue: 0,0:00:00.50,0:00:01.50,Corner,,0,0,0,,Left\n"
      "Dialogue: 1,0:00:01.00,0:00:01.50,Top,,0,0,0,,{\\pos(240,120)\\c&HFF0000&}X\n",
      "copy");
  FileSubtitles subtitles;
  ASSERT_EQ(subtitles.Open(file, {}, 0, 0, kWidth, kHeight), S_OK) << subtitles.ErrorText();

  EXPECT_EQ(Find(Drawn(subtitles, 0.25), Changed).pixels, 0);

  const Bytes shown = Drawn(subtitles, 0.75);
  Bytes picture = shown;
  const Box top = Find(picture, Red);  // 80 pixels high on this picture, with its edge
  EXPECT_GT(top.pixels, 1000);
  EXPECT_LT(top.bottom, kHeight / 4);
  EXPECT_NEAR((top.left + top.right) / 2, kWidth / 2, 20);
  EXPECT_GT(Find(picture, Dark, top.left - 8, top.top - 8, top.right + 8, top.bottom + 8).pixels, 300);
  const Box corner = Find(picture, Green);
  EXPECT_GT(corner.pixels, 500);
  EXPECT_GT(corner.top, kHeight * 3 / 4);
  EXPECT_LT(corner.right, kWidth / 2);
  // Nothing yet where the positioned line goes, nor elsewhere.
  EXPECT_EQ(Find(picture, Changed, 0, top.bottom + 10, kWidth, corner.top - 10).pixels, 0);
  EXPECT_EQ(Find(picture, Changed, corner.right + 10, corner.top - 10, kWidth, kHeight).pixels, 0);

  picture = Drawn(subtitles, 1.25);
  EXPECT_GT(Find(picture, Green).pixels, 500);
  const Box placed = Find(picture, Blue);
  EXPECT_GT(placed.pixels, 300);
  EXPECT_NEAR((placed.left + placed.right) / 2, 480, 20);
  // The style's alignment (top centre) puts the line's top at the point.
  EXPECT_GE(placed.top, 240);
  EXPECT_LT(placed.top, 240 + 30);

  EXPECT_EQ(Find(Drawn(subtitles, 1.75), Changed).pixels, 0);
  // Played again from the start, the same pictures.
  ASSERT_EQ(subtitles.Rewind(0), S_OK);
  EXPECT_TRUE(Drawn(subtitles, 0.75) == shown);
}

// Plain text: white letters a twelfth of the picture high with a dark edge, centred at the
// bottom; a line wider than the picture is wrapped inside it, not cut at its sides.
TEST_F(FileSubtitlesTest, PlainTextIsWhiteOnADarkEdgeAtTheBottomAndWrapsWithinThePicture) {
  const std::string file = MakeMkv("plain.srt",
                                   "1\n00:00:00,500 --> 00:00:01,500\nBonjour\n\n"
                                   "2\n00:00:02,000 --> 00:00:02,500\nA subtitle line far too long to stand on one "
                                   "line of the picture, however small the letters\n\n",
                                   "srt");
  FileSubtitles subtitles;
  ASSERT_EQ(subtitles.Open(file, {}, 0, 0, kWidth, kHeight), S_OK) << subtitles.ErrorText();

  Bytes picture = Drawn(subtitles, 1.0);
  const Box line = Find(picture, White);
  EXPECT_GT(line.pixels, 300);
  EXPECT_NEAR((line.left + line.right) / 2, kWidth / 2, 10);
  EXPECT_GT(line.top, kHeight * 4 / 5);
  EXPECT_LT(line.bottom, kHeight - kHeight / 20);
  EXPECT_GE(line.bottom - line.top, 30);  // from the B's top to the j's tail, the em being 40
  EXPECT_GT(Find(picture, Dark, line.left - 5, line.top - 5, line.right + 5, line.bottom + 5).pixels, 100);
  EXPECT_EQ(Find(picture, Changed, 0, 0, kWidth, line.top - 10).pixels, 0);

  EXPECT_EQ(Find(Drawn(subtitles, 1.75), Changed).pixels, 0);

  picture = Drawn(subtitles, 2.25);
  const Box wrapped = Find(picture, White);
  EXPECT_GT(wrapped.bottom - wrapped.top, 2 * (line.bottom - line.top));
  EXPECT_GT(wrapped.left, 5);
  EXPECT_LT(wrapped.right, kWidth - 5);
}

}  // namespace
