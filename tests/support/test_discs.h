// The discs the tests play, authored by scripts/make-test-dvd.sh once per test run.
//
// Under CTest a setup test authors them and hands their folder over in TARN_TEST_DVD_DIR; a test
// program started by hand authors them itself into a fresh temporary folder.
#pragma once

#include "tests/support/temp_dir.h"

#include <string>

namespace tarn::dvd::test {

struct TestDiscs {
  std::string ntsc;     // disc folder
  std::string ntscIso;  // its image
  std::string pal;
  std::string palIso;
  std::string loop;
  std::string edge;   // programs that are no chapters, short chapters, streams per title, a still
  std::string error;  // why authoring failed; empty when the discs are there
};

const TestDiscs& Discs();

using ::tarn::test::TempDir;

// Copies a disc folder into `folder`/name and returns the copy's path.
std::string CopyDisc(const std::string& disc, const std::string& folder, const std::string& name);

// Runs a shell command; returns its standard output and sets `status` to its exit status.
std::string RunCommand(const std::string& command, int& status);

}  // namespace tarn::dvd::test
