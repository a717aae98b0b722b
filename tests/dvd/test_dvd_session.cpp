// The navigator's state without its interfaces: opening, stream choices across runs, the domain
// after a run stops by itself, and failed calls that change nothing.
#include <gtest/gtest.h>

#include "platform/dvd/dvd_error.h"
#include "platform/dvd/dvd_session.h"
#include "tests/support/test_discs.h"

namespace tarn::dvd {
namespace {

using test::Discs;

int RunToStop(DvdSession& session) {
  int cells = 0;
  for (int steps = 0; steps < 100000; ++steps) {
    const PlayerEvent event = session.Next();
    if (event.kind == PlayerEventKind::kCellChange) ++cells;
    if (event.kind == PlayerEventKind::kStop) {
      EXPECT_EQ(event.error, "");
      return cells;
    }
  }
  ADD_FAILURE() << "the run did not stop";
  return cells;
}

class DvdSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Discs().error.empty()) << Discs().error; }
};

TEST_F(DvdSessionTest, StreamChoicesSurviveRunsAndTheDomainStopsWithTheRun) {
  DvdSession session;
  EXPECT_FALSE(session.isOpen());
  EXPECT_THROW(session.directory(), DvdError);
  EXPECT_THROW(session.PlayChapters(1, 1, 1), DvdError);

  session.Open(Discs().ntsc + "/VIDEO_TS/VTS_01_0.IFO");
  EXPECT_EQ(session.directory(), Discs().ntsc + "/VIDEO_TS");
  EXPECT_EQ(session.domain(), DvdDomain::kStop);
  EXPECT_EQ(session.streams().audioCount(), 2);
  EXPECT_EQ(session.streams().audio(), 0);
  EXPECT_FALSE(session.streams().subpictureOn());

  session.streams().SelectAudio(1);
  session.streams().SelectSubpicture(0);
  session.streams().SetSubpictureOn(true);
  EXPECT_THROW(session.streams().SelectAudio(2), DvdError);
  EXPECT_EQ(session.streams().audio(), 1);

  session.PlayChapters(1, 2, 2);
  EXPECT_EQ(session.domain(), DvdDomain::kTitle);
  EXPECT_EQ(session.streams().audio(), 1);
  EXPECT_EQ(session.streams().audioPhysical(), 1);
  EXPECT_TRUE(session.streams().subpictureOn());
  EXPECT_EQ(RunToStop(session), 2);
  EXPECT_EQ(session.domain(), DvdDomain::kStop);
  EXPECT_EQ(session.location().chapter, 3);

  // A failed call leaves everything as it was.
  EXPECT_THROW(session.PlayChapters(2, 2, 5), DvdError);
  EXPECT_EQ(session.domain(), DvdDomain::kStop);
  test::TempDir temp;
  EXPECT_THROW(session.Open(temp.str()), DvdError);
  EXPECT_EQ(session.directory(), Discs().ntsc + "/VIDEO_TS");
  EXPECT_THROW(session.Open("", DriveSearchPlaces{temp.str() + "/mounts", {"udf"}, temp.str(), {"sr"}}), DvdError);
  EXPECT_EQ(session.directory(), Discs().ntsc + "/VIDEO_TS");

  session.PlayChapterInTitle(1, 4);
  EXPECT_EQ(session.domain(), DvdDomain::kTitle);
  session.Stop();
  EXPECT_EQ(session.domain(), DvdDomain::kStop);
  EXPECT_EQ(session.Next().kind, PlayerEventKind::kStop);

  // Another disc starts with its own first streams.
  session.Open(Discs().palIso);
  EXPECT_EQ(session.streams().audio(), 0);
  EXPECT_EQ(session.streams().subpicture(), -1);
  EXPECT_FALSE(session.streams().subpictureOn());
  session.PlayChapters(2, 1, 1);
  EXPECT_EQ(session.streams().audioCount(), 1);
  EXPECT_EQ(session.title(2).audio[0].language, "it");
  EXPECT_THROW(session.title(3), DvdError);
}

}  // namespace
}  // namespace tarn::dvd
