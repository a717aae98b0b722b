#include <gtest/gtest.h>

#include "converter/engine/power_off.h"
#include "tests/support/converter_test_folder.h"
#include "converter/settings/converter_settings.h"

namespace tarn::conv {
namespace {

using testing::ConverterFolderTest;

// Counts requests; the only switch any test ever holds.
class CountingSwitch : public PowerSwitch {
 public:
  explicit CountingSwitch(bool accept = true) : accept_(accept) {}
  bool PowerOff() override {
    ++requests;
    return accept_;
  }
  int requests = 0;

 private:
  bool accept_;
};

class PowerOffTest : public ConverterFolderTest {
 protected:
  static RunOutcome Complete() { return {true, false, false, false, 3}; }
};

TEST_F(PowerOffTest, OnceAfterACompleteRunWhenOffIsOne) {
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kOff, "1"));
  CountingSwitch power;
  EXPECT_TRUE(ShutDownSystem(Complete(), profile_, power));
  EXPECT_EQ(power.requests, 1);

  CountingSwitch refusing(false);
  EXPECT_FALSE(ShutDownSystem(Complete(), profile_, refusing));
  EXPECT_EQ(refusing.requests, 1);
}

TEST_F(PowerOffTest, NeverAfterAnAbortALimitStopAContinuedRunOrNothingConverted) {
  ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kOff, "1"));
  RunOutcome aborted = Complete();
  aborted.abortRequested = true;
  RunOutcome limited = Complete();
  limited.limitReached = true;
  RunOutcome continued = Complete();
  continued.continued = true;
  RunOutcome empty = Complete();
  empty.segmentsConverted = 0;
  RunOutcome unfinished = Complete();
  unfinished.runFinished = false;
  CountingSwitch power;
  for (const RunOutcome& outcome : {aborted, limited, continued, empty, unfinished}) {
    EXPECT_FALSE(ShutDownSystem(outcome, profile_, power));
  }
  EXPECT_EQ(power.requests, 0);
}

TEST_F(PowerOffTest, OnlyTheValueOneOfOffPowersOff) {
  CountingSwitch power;
  EXPECT_FALSE(ShutDownSystem(Complete(), profile_, power));  // absent: "0"
  for (const char* value : {"0", "2", "-1", "yes"}) {
    ASSERT_FALSE(settings::WriteText(profile_, settings::keys::kOff, value));
    EXPECT_FALSE(ShutDownSystem(Complete(), profile_, power)) << value;
  }
  EXPECT_EQ(power.requests, 0);
}

}  // namespace
}  // namespace tarn::conv
