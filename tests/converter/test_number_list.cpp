#include <gtest/gtest.h>

#include "converter/cli/number_list.h"

namespace tarn::conv {
namespace {

using Numbers = std::vector<unsigned>;

TEST(ParseNumberList, SinglesAndRangesAscendingAndOnce) {
  std::string error;
  EXPECT_EQ(ParseNumberList("1,3,5-7", 99, &error), (Numbers{1, 3, 5, 6, 7}));
  EXPECT_EQ(ParseNumberList("7-9,2,8", 99, &error), (Numbers{2, 7, 8, 9}));
  EXPECT_EQ(ParseNumberList("4-4", 99, &error), (Numbers{4}));
  EXPECT_EQ(ParseNumberList("99", 99, &error), (Numbers{99}));
}

TEST(ParseNumberList, BadInputIsRefusedWithAReason) {
  for (const char* text :
       {"", ",", "1,", "a", "1-", "-3", "0", "100", "1-100", "5-2", "1.5", " 1", "99999999999999999999"}) {
    std::string error;
    EXPECT_FALSE(ParseNumberList(text, 99, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  std::string error;
  ParseNumberList("5-2", 99, &error);
  EXPECT_EQ(error, "the range 5-2 runs backwards");
  ParseNumberList("0", 99, &error);
  EXPECT_EQ(error, "0 is outside 1 to 99");
}

}  // namespace
}  // namespace tarn::conv
