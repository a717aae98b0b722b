#include <gtest/gtest.h>

#include "converter/cli/convert_options.h"

namespace tarn::conv {
namespace {

ParsedCommand Parse(std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> list(args);
  return ParseCommandLine(list);
}

std::vector<std::string> Paths(const ConvertOptions& options) {
  std::vector<std::string> paths;
  for (const SourceArgument& source : options.sources) paths.push_back(source.drive ? "<drive>" : source.path);
  return paths;
}

// Every source is kept in the order given, wherever the options stand, the drive's disc where
// --drive stands, and a source named twice twice.
TEST(ParseCommandLine, SourcesAccumulateInOrderAndSeveralConvertEveryTitleUnlessTold) {
  const ParsedCommand several = Parse({"--convert", "a.mkv", "--titles", "2,5", "disc", "--drive", "a.mkv", "-q"});
  ASSERT_EQ(several.kind, CommandKind::Convert) << several.error;
  EXPECT_EQ(Paths(several.options), (std::vector<std::string>{"a.mkv", "disc", "<drive>", "a.mkv"}));
  EXPECT_EQ(several.options.titles, (std::vector<unsigned>{2, 5}));
  EXPECT_EQ(several.options.batch, true);
  EXPECT_EQ(Parse({"a.mkv", "b.mkv", "--convert", "--no-batch"}).options.batch, false);
  // One source leaves Batch to the settings file, as before.
  const ParsedCommand one = Parse({"--convert", "a.mkv"});
  EXPECT_EQ(Paths(one.options), (std::vector<std::string>{"a.mkv"}));
  EXPECT_FALSE(one.options.batch.has_value());
  EXPECT_EQ(Paths(Parse({"--convert", "--drive"}).options), (std::vector<std::string>{"<drive>"}));
  // The list holds up to 100 titles over all its sources.
  EXPECT_EQ(Parse({"--convert", "a", "--titles", "100"}).kind, CommandKind::Convert);
  EXPECT_EQ(Parse({"--convert", "a", "--titles", "101"}).kind, CommandKind::Error);

  const ParsedCommand none = Parse({"--convert", "-o", "out"});
  EXPECT_EQ(none.kind, CommandKind::Error);
  EXPECT_EQ(none.error, "give a SOURCE or --drive");
}

TEST(ParseCommandLine, TheWindowOpensWithEverySourceNamedAndRefusesOptions) {
  const ParsedCommand window = Parse({"a.mkv", "disc", "a.mkv"});
  EXPECT_EQ(window.kind, CommandKind::Window);
  EXPECT_EQ(window.windowSources, (std::vector<std::string>{"a.mkv", "disc", "a.mkv"}));
  EXPECT_TRUE(Parse({}).windowSources.empty());
  const ParsedCommand option = Parse({"a.mkv", "--batch"});
  EXPECT_EQ(option.kind, CommandKind::Error);
  EXPECT_EQ(option.error, "unknown option --batch");
}

}  // namespace
}  // namespace tarn::conv
