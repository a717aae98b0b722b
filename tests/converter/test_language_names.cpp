#include <gtest/gtest.h>

#include "converter/engine/language_names.h"

namespace tarn::conv {
namespace {

TEST(LanguageNames, PrimaryLanguagesByNameOtherwiseUnknown) {
  EXPECT_EQ(LanguageName(0x0409), "English");
  EXPECT_EQ(LanguageName(0x0809), "English");  // another sublanguage
  EXPECT_EQ(LanguageName(0x040C), "French");
  EXPECT_EQ(LanguageName(0x0804), "Chinese");
  EXPECT_EQ(LanguageName(0x0C0A), "Spanish");
  EXPECT_EQ(LanguageName(0), "Unknown");
  EXPECT_EQ(LanguageName(0x0417), "Unknown");  // not in the table
  EXPECT_EQ(LanguageName(0xFFFF), "Unknown");
}

}  // namespace
}  // namespace tarn::conv
