// The fixture of the graph tests: a new graph made by class id, a private
// filter registry in a fresh temporary folder, and a check that every object
// made in the test is gone at the end (no reference cycle, no leak).
#pragma once

#include "tests/support/temp_dir.h"

#include "media/com/ComPtr.h"
#include "media/graph/GraphInterfaces.h"

#include "graph_test_filters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace graph_test {

class GraphTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Registers the test filter library into this test's registry.
  void RegisterTestLibrary();

  // Adds a filter made with new (the graph and the returned pointer share it).
  ComPtr<IBaseFilter> Add(IBaseFilter* filter, const wchar_t* name);
  // Names of the graph's filters in enumeration order.
  std::vector<std::wstring> FilterNames();
  // Name of the filter at the other end of the pin's connection, "" when unconnected.
  std::wstring PeerFilterName(IPin* pin);
  // Every queued event code, taken without waiting.
  std::vector<LONG> DrainEvents();

  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;

 private:
  std::optional<tarn::test::TempDir> temp_;
  std::filesystem::path folder_;
  LONG objectsBefore_ = 0;
};

}  // namespace graph_test
