// What the graph object's tests share: a Qt event loop for the window's notices, a private
// filter registry and settings file in a temporary folder, and the messages the graph shows.
#pragma once

#include "tests/support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/graph/dvd_graph.h"
#include "converter/graph/headless_event_window.h"

namespace graph_test {

// Created once, on the thread that runs the tests.
void EnsureApplication();
// Processes Qt events until `done` holds or `limit` passes (a guard against a hang, not a
// measurement); returns `done()`.
bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60));
void ProcessPendingEvents();

struct Message {
  std::string text;
  std::string caption;
  bool operator==(const Message&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Message& message);

// The build's filter registry copied into `folder` without the filters of the named classes, and
// with the class `putFirst` (when given) moved to the front.
std::filesystem::path PrivateRegistry(const std::filesystem::path& folder, const std::vector<std::string>& leftOut = {},
                                      const std::string& putFirst = {});

// A temporary folder with its own settings file and filter registry (the build's, until a test
// writes another), both pointed at by the environment, and a graph object on a headless window.
class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The graph object, made on first use so that a test can choose the registry before.
  tarn::conv::CDvdGraph& Graph();
  void UseRegistry(const std::filesystem::path& registry);
  tarn::conv::HeadlessEventWindow* Window();

  std::optional<tarn::test::TempDir> temp;
  std::filesystem::path folder;
  std::filesystem::path ini;
  std::vector<Message> messages;
  tarn::conv::HeadlessEventWindowFactory headlessWindows;
  tarn::conv::EventWindowFactory* windows = &headlessWindows;  // a test may put its own in first
  std::unique_ptr<tarn::conv::CDvdGraph> graph;
};

// The friendly names of the filters the conversion graph is made of.
inline const std::vector<std::string> kGraphFilters{"DVD Navigator", "GPL MPEG-1/2 Decoder",
                                                    "Tarn Video Encoder for GAME", "Tarn Audio Encoder for DVD",
                                                    "ACM Wrapper"};

// Whether the filter of that name in the graph has a connected input (it sits in a data path).
bool InputConnected(IGraphBuilder* graph, const wchar_t* name);
// The name of the filter whose output feeds the first connected input of the named one; "" when none.
std::wstring Feeding(IGraphBuilder* graph, const wchar_t* name);

}  // namespace graph_test
