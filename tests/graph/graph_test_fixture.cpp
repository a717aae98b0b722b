#include "graph_test_fixture.h"

#include "media/registry/ComRuntime.h"

#include <dlfcn.h>

#include <cstdlib>

namespace graph_test {

void GraphTest::SetUpTestSuite() { tarn::media::RegisterFilterGraphClasses(); }

void GraphTest::SetUp() {
  folder_ = temp_.emplace("tarn-graph").path();
  ::setenv("TARNMEDIA_FILTERS", (folder_ / "filters.ini").c_str(), 1);
  objectsBefore_ = ModuleObjectCount();
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ASSERT_EQ(graph.As(&control), S_OK);
  ASSERT_EQ(graph.As(&events), S_OK);
}

void GraphTest::TearDown() {
  events.Reset();
  control.Reset();
  graph.Reset();
  EXPECT_EQ(ModuleObjectCount(), objectsBefore_) << "objects of the test outlived their graph";
  ::unsetenv("TARNMEDIA_FILTERS");
  temp_.reset();
}

void GraphTest::RegisterTestLibrary() {
  void* library = ::dlopen(GRAPH_TEST_FILTER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto registerServer = reinterpret_cast<HRESULT (*)()>(::dlsym(library, "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  EXPECT_EQ(registerServer(), S_OK);
  ::dlclose(library);
}

ComPtr<IBaseFilter> GraphTest::Add(IBaseFilter* filter, const wchar_t* name) {
  ComPtr<IBaseFilter> held(filter);
  EXPECT_TRUE(SUCCEEDED(graph->AddFilter(filter, name)));
  return held;
}

std::vector<std::wstring> GraphTest::FilterNames() {
  std::vector<std::wstring> names;
  ComPtr<IEnumFilters> enumerator;
  if (FAILED(graph->EnumFilters(enumerator.ReleaseAndGetAddressOf()))) return names;
  IBaseFilter* filter = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &filter, &fetched) == S_OK) {
    FILTER_INFO info;
    filter->QueryFilterInfo(&info);
    if (info.pGraph != nullptr) info.pGraph->Release();
    names.emplace_back(info.achName);
    filter->Release();
  }
  return names;
}

std::wstring GraphTest::PeerFilterName(IPin* pin) {
  IPin* peer = nullptr;
  if (FAILED(pin->ConnectedTo(&peer))) return L"";
  PIN_INFO pinInfo;
  peer->QueryPinInfo(&pinInfo);
  peer->Release();
  FILTER_INFO info;
  pinInfo.pFilter->QueryFilterInfo(&info);
  if (info.pGraph != nullptr) info.pGraph->Release();
  pinInfo.pFilter->Release();
  return info.achName;
}

std::vector<LONG> GraphTest::DrainEvents() {
  std::vector<LONG> codes;
  LONG code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    codes.push_back(code);
    events->FreeEventParams(code, param1, param2);
  }
  return codes;
}

}  // namespace graph_test
