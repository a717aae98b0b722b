#include "graph_test_support.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <fstream>
#include <memory>
#include <ostream>
#include <thread>

#include "media/com/ComPtr.h"
#include "media/graph/PinQueries.h"

namespace graph_test {
namespace fs = std::filesystem;

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "test_dvd_graph";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
}

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

std::ostream& operator<<(std::ostream& out, const Message& message) {
  return out << '[' << message.caption << "] " << message.text;
}

fs::path PrivateRegistry(const fs::path& folder, const std::vector<std::string>& leftOut, const std::string& putFirst) {
  std::ifstream in(fs::path(TARN_BUILD_DIR) / "filters.ini");
  std::vector<std::vector<std::string>> sections;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') sections.emplace_back();
    if (!sections.empty()) sections.back().push_back(line);
  }
  if (!putFirst.empty()) {
    std::stable_partition(sections.begin(), sections.end(), [&](const std::vector<std::string>& section) {
      return std::find(section.begin(), section.end(), "Class=" + putFirst) != section.end();
    });
  }
  const fs::path copy = folder / "filters.ini";
  std::ofstream out(copy);
  for (const auto& section : sections) {
    bool dropped = false;
    for (const std::string& line : section)
      for (const std::string& name : leftOut)
        dropped = dropped || line == "Class=" + name || line == "FriendlyName=" + name;
    if (dropped) continue;
    for (const std::string& line : section) out << line << '\n';
  }
  return copy;
}

void GraphTest::SetUp() {
  EnsureApplication();
  folder = temp.emplace("tarn-dvdgraph-test").path();
  ini = folder / "TarnMedia.ini";
  ::setenv("TARNMEDIA_INI", ini.c_str(), 1);
  // Previews stay silent: the sound server they would reach is one that does not exist.
  ::setenv("PULSE_SERVER", ("unix:" + (folder / "no-sound-server").string()).c_str(), 1);
  UseRegistry(PrivateRegistry(folder));
}

void GraphTest::TearDown() {
  graph.reset();
  ProcessPendingEvents();
  temp.reset();
}

void GraphTest::UseRegistry(const fs::path& registry) { ::setenv("TARNMEDIA_FILTERS", registry.c_str(), 1); }

tarn::conv::CDvdGraph& GraphTest::Graph() {
  if (!graph) {
    graph = std::make_unique<tarn::conv::CDvdGraph>(*windows, [this](std::string_view text, std::string_view caption) {
      messages.push_back({std::string(text), std::string(caption)});
    });
  }
  return *graph;
}

tarn::conv::HeadlessEventWindow* GraphTest::Window() {
  return dynamic_cast<tarn::conv::HeadlessEventWindow*>(Graph().VideoWindow());
}

bool InputConnected(IGraphBuilder* graph, const wchar_t* name) { return !Feeding(graph, name).empty(); }

std::wstring Feeding(IGraphBuilder* graph, const wchar_t* name) {
  ComPtr<IBaseFilter> filter;
  if (graph == nullptr || FAILED(graph->FindFilterByName(name, filter.ReleaseAndGetAddressOf()))) return {};
  for (const ComPtr<IPin>& input : tarn::media::graph::PinsOf(filter.Get(), PINDIR_INPUT)) {
    const ComPtr<IPin> peer = tarn::media::graph::PeerOf(input.Get());
    if (!peer) continue;
    FILTER_INFO info{};
    if (FAILED(tarn::media::graph::FilterOf(peer.Get())->QueryFilterInfo(&info))) return {};
    if (info.pGraph != nullptr) info.pGraph->Release();
    return info.achName;
  }
  return {};
}

}  // namespace graph_test
