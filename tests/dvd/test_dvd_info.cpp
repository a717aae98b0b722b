// tmvtool dvd-info against Debian's lsdvd on the authored discs, and its clean standard output.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/test_discs.h"

namespace {

using tarn::dvd::test::Discs;
using tarn::dvd::test::RunCommand;

struct Title {
  int number = 0;
  double length = 0;
  std::vector<double> chapters;
  std::vector<std::string> audioLanguages;
  std::vector<std::string> audioFormats;
  std::vector<std::string> subtitleLanguages;
};

double ClockSeconds(const std::string& h, const std::string& m, const std::string& s) {
  return std::stoi(h) * 3600 + std::stoi(m) * 60 + std::stod(s);
}

// lsdvd -x, human-readable. It writes "xx" for a stream without a language.
std::vector<Title> ParseLsdvd(const std::string& text) {
  std::vector<Title> titles;
  const std::regex title(R"re(^Title: (\d+), Length: (\d+):(\d+):([\d.]+) )re");
  const std::regex chapter(R"re(^\tChapter: \d+, Length: (\d+):(\d+):([\d.]+),)re");
  const std::regex audio(R"re(^\tAudio: \d+, Language: (\S+) - .*Format: (\S+?) ?,)re");
  const std::regex subtitle(R"re(^\tSubtitle: \d+, Language: (\S+) -)re");
  std::istringstream lines(text);
  std::string line;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, title)) {
      titles.push_back({std::stoi(m[1]), ClockSeconds(m[2], m[3], m[4]), {}, {}, {}, {}});
    } else if (titles.empty()) {
      continue;
    } else if (std::regex_search(line, m, chapter)) {
      titles.back().chapters.push_back(ClockSeconds(m[1], m[2], m[3]));
    } else if (std::regex_search(line, m, audio)) {
      titles.back().audioLanguages.push_back(m[1] == "xx" ? "" : std::string(m[1]));
      titles.back().audioFormats.push_back(m[2]);
    } else if (std::regex_search(line, m, subtitle)) {
      titles.back().subtitleLanguages.push_back(m[1] == "xx" ? "" : std::string(m[1]));
    }
  }
  return titles;
}

// dvd-info --json: the shape is fixed, so patterns over it are enough here.
std::vector<Title> ParseJson(const std::string& json) {
  std::vector<Title> titles;
  const std::regex title(
      R"re(\{"title": (\d+), "length": ([\d.]+), "chapters": \[(.*?)\], "audio": \[(.*?)\], "subtitles": \[(.*?)\]\})re");
  const std::regex chapter(R"re("length": ([\d.]+))re");
  const std::regex audio(R"re("language": "([^"]*)", "format": "([^"]*)")re");
  const std::regex subtitle(R"re("language": "([^"]*)")re");
  for (std::sregex_iterator it(json.begin(), json.end(), title), end; it != end; ++it) {
    Title parsed{std::stoi((*it)[1]), std::stod((*it)[2]), {}, {}, {}, {}};
    const std::string chapters = (*it)[3], audios = (*it)[4], subtitles = (*it)[5];
    for (std::sregex_iterator c(chapters.begin(), chapters.end(), chapter); c != end; ++c)
      parsed.chapters.push_back(std::stod((*c)[1]));
    for (std::sregex_iterator a(audios.begin(), audios.end(), audio); a != end; ++a) {
      parsed.audioLanguages.push_back((*a)[1]);
      parsed.audioFormats.push_back((*a)[2]);
    }
    for (std::sregex_iterator s(subtitles.begin(), subtitles.end(), subtitle); s != end; ++s)
      parsed.subtitleLanguages.push_back((*s)[1]);
    titles.push_back(parsed);
  }
  return titles;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

TEST(DvdInfoTest, AgreesWithLsdvdOnTitlesChaptersLengthsAndLanguages) {
  ASSERT_TRUE(Discs().error.empty()) << Discs().error;
  for (const std::string& disc : {Discs().ntsc, Discs().ntscIso, Discs().pal, Discs().palIso}) {
    SCOPED_TRACE(disc);
    int status = 0;
    const std::string peer = RunCommand("lsdvd -x " + Quote(disc) + " 2>/dev/null", status);
    ASSERT_EQ(status, 0) << "lsdvd is needed for this test (apt-get install lsdvd)";
    const std::string ours = RunCommand(std::string(TMVTOOL_PATH) + " dvd-info --json " + Quote(disc), status);
    ASSERT_EQ(status, 0) << ours;
    const std::vector<Title> expected = ParseLsdvd(peer);
    const std::vector<Title> got = ParseJson(ours);
    ASSERT_FALSE(expected.empty()) << peer;
    ASSERT_EQ(got.size(), expected.size()) << ours;
    for (size_t t = 0; t < got.size(); ++t) {
      EXPECT_EQ(got[t].number, expected[t].number);
      EXPECT_NEAR(got[t].length, expected[t].length, 0.0015);
      ASSERT_EQ(got[t].chapters.size(), expected[t].chapters.size());
      for (size_t c = 0; c < got[t].chapters.size(); ++c)
        EXPECT_NEAR(got[t].chapters[c], expected[t].chapters[c], 0.0015);
      EXPECT_EQ(got[t].audioLanguages, expected[t].audioLanguages);
      EXPECT_EQ(got[t].audioFormats, expected[t].audioFormats);
      EXPECT_EQ(got[t].subtitleLanguages, expected[t].subtitleLanguages);
    }
  }
}

// The edge disc: title 1 has a program that is no chapter (lsdvd counts programs, so only its
// length is compared), title 2 chapters of 15 frames (whose 600 frames the chain's own time
// code counts as 20 s at 30 frames a second), title 5 one of its title set's two audio streams
// and, like every title but 4, none of its subpicture stream.
TEST(DvdInfoTest, ChaptersSpanTheirProgramsAndEachTitleListsOnlyTheStreamsItCarries) {
  ASSERT_TRUE(Discs().error.empty()) << Discs().error;
  int status = 0;
  const std::string peer = RunCommand("lsdvd -x " + Quote(Discs().edge) + " 2>/dev/null", status);
  ASSERT_EQ(status, 0) << "lsdvd is needed for this test (apt-get install lsdvd)";
  const std::string ours = RunCommand(std::string(TMVTOOL_PATH) + " dvd-info --json " + Quote(Discs().edge), status);
  ASSERT_EQ(status, 0) << ours;
  const std::vector<Title> expected = ParseLsdvd(peer);
  const std::vector<Title> got = ParseJson(ours);
  ASSERT_EQ(got.size(), 6u) << ours;
  ASSERT_EQ(got.size(), expected.size()) << peer;
  for (size_t t = 0; t < got.size(); ++t) {
    SCOPED_TRACE(t + 1);
    EXPECT_NEAR(got[t].length, expected[t].length, 0.025);
    EXPECT_EQ(got[t].audioLanguages, expected[t].audioLanguages);
    EXPECT_EQ(got[t].subtitleLanguages, expected[t].subtitleLanguages);
  }
  EXPECT_EQ(got[0].chapters, (std::vector<double>{2, 4, 2}));
  EXPECT_EQ(got[4].audioLanguages, std::vector<std::string>{"en"});
  EXPECT_EQ(got[3].subtitleLanguages, std::vector<std::string>{"en"});
  EXPECT_TRUE(got[4].subtitleLanguages.empty());
}

TEST(DvdInfoTest, StandardOutputCarriesOnlyTheListingAndErrorsGoToStandardError) {
  ASSERT_TRUE(Discs().error.empty()) << Discs().error;
  int status = 0;
  const std::string json =
      RunCommand(std::string(TMVTOOL_PATH) + " dvd-info --json " + Quote(Discs().pal) + " 2>/dev/null", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.find('\n'), json.size() - 1) << json;  // one line, no library notices
  EXPECT_NE(json.find(R"({"stream": 2, "language": "", "format": "mpeg1", "channels": 2})"), std::string::npos) << json;

  const std::string text = RunCommand(
      std::string(TMVTOOL_PATH) + " dvd-info " + Quote(Discs().ntsc + "/VIDEO_TS/VTS_01_0.IFO") + " 2>/dev/null",
      status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text.rfind("Disc: ", 0), 0u) << text;
  EXPECT_NE(text.find("Chapter: 04, Length: 00:00:01.500"), std::string::npos) << text;

  tarn::dvd::test::TempDir temp;
  const std::string missing =
      RunCommand(std::string(TMVTOOL_PATH) + " dvd-info " + Quote(temp.str() + "/none") + " 2>&1 1>/dev/null", status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(missing.find("no such file or folder"), std::string::npos) << missing;
  const std::string usage = RunCommand(std::string(TMVTOOL_PATH) + " dvd-info 2>&1", status);
  EXPECT_EQ(status, 2) << usage;
}

}  // namespace
