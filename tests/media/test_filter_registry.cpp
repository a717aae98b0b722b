// The filter registry file, self-registration of a real filter library, the
// device enumerator with its monikers, and tarnregsvr.
#include "media/com/ComPtr.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"
#include "media/registry/ServerRegistration.h"
#include "media/registry/TextConversion.h"

#include "tests/support/media_test_support.h"
#include "test_filter_ids.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using media_test::ScopedEnv;
using media_test::TempDir;
using tarn::media::FilterRegistry;
using tarn::media::RegisteredClass;

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// The test filter library, opened as tarnregsvr would open it.
class TestLibrary {
 public:
  TestLibrary() : handle_(::dlopen(TEST_FILTER_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  ~TestLibrary() {
    if (handle_ != nullptr) ::dlclose(handle_);
  }
  template <class Fn>
  Fn Export(const char* name) const {
    return reinterpret_cast<Fn>(::dlsym(handle_, name));
  }
  bool Loaded() const { return handle_ != nullptr; }

 private:
  void* handle_;
};

class Registry : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir.path() / "filters.ini"; }
  std::vector<RegisteredClass> Classes() const {
    std::vector<RegisteredClass> classes;
    EXPECT_EQ(FilterRegistry(File()).Load(&classes), S_OK);
    return classes;
  }
  HRESULT CallLibrary(const char* entry) const {
    auto function = library.Export<DllRegisterServerFn>(entry);
    return function != nullptr ? function() : E_FAIL;
  }

  TempDir dir;
  ScopedEnv env{"TARNMEDIA_FILTERS", File().string()};
  TestLibrary library;
};

TEST_F(Registry, RegisteringTwiceLeavesOneEntryWithTheSetupData) {
  ASSERT_TRUE(library.Loaded()) << ::dlerror();
  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  EXPECT_EQ(Occurrences(ReadText(File()), GuidToString(kTestFilterClsid)), 1u);

  auto classes = Classes();
  ASSERT_EQ(classes.size(), 1u);
  const RegisteredClass& entry = classes[0];
  EXPECT_EQ(entry.clsid, kTestFilterClsid);
  EXPECT_EQ(entry.libraryPath, std::filesystem::canonical(TEST_FILTER_LIBRARY).string());
  EXPECT_EQ(entry.threadingModel, "Both");
  ASSERT_TRUE(entry.filter);
  EXPECT_EQ(entry.filter->category, CLSID_LegacyAmFilterCategory);
  EXPECT_EQ(entry.filter->friendlyName, kTestFilterName);
  EXPECT_EQ(entry.filter->merit, MERIT_DO_NOT_USE);
  ASSERT_EQ(entry.filter->pins.size(), 2u);
  EXPECT_EQ(entry.filter->pins[0].name, L"Input");
  EXPECT_FALSE(entry.filter->pins[0].output);
  EXPECT_TRUE(entry.filter->pins[1].output);
  ASSERT_EQ(entry.filter->pins[1].types.size(), 1u);
  EXPECT_EQ(entry.filter->pins[1].types[0], std::make_pair(MEDIATYPE_Video, MEDIASUBTYPE_RGB24));
}

TEST_F(Registry, UnregisteringRemovesOnlyThatLibrarysClassAndSucceedsWhenAbsent) {
  EXPECT_EQ(CallLibrary("DllUnregisterServer"), S_OK);  // nothing registered yet
  const CLSID other{0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  ASSERT_EQ(FilterRegistry(File()).RegisterClass(other, L"Other", "/nowhere/libother.so", "Both"), S_OK);
  {
    std::ofstream append(File(), std::ios::app);
    append << "\n[Notes]\nWrittenBy=hand\n";
  }
  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  ASSERT_EQ(Classes().size(), 2u);
  ASSERT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
  auto classes = Classes();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].clsid, other);
  EXPECT_NE(ReadText(File()).find("WrittenBy=hand"), std::string::npos);  // a foreign section is kept
  EXPECT_EQ(FilterRegistry(File()).UnregisterFilter(kTestFilterClsid), S_OK);
}

TEST_F(Registry, AnUnreadableRegistryIsReportedAndLeftAlone) {
  std::filesystem::create_directory(File());  // a folder where the file should be
  std::vector<RegisteredClass> classes;
  EXPECT_TRUE(FAILED(FilterRegistry(File()).Load(&classes)));
  EXPECT_TRUE(FAILED(CallLibrary("DllRegisterServer")));
  EXPECT_TRUE(std::filesystem::is_directory(File()));
}

TEST_F(Registry, NamesSurviveTheFileInUtf8) {
  tarn::media::RegisteredFilter filter;
  filter.category = CLSID_LegacyAmFilterCategory;
  filter.friendlyName = L"\u89c6\u9891 Encoder";
  const CLSID clsid{0xA, 0xB, 0xC, {1, 2, 3, 4, 5, 6, 7, 8}};
  ASSERT_EQ(FilterRegistry(File()).RegisterFilter(clsid, filter), S_OK);
  EXPECT_NE(ReadText(File()).find("\xe8\xa7\x86\xe9\xa2\x91 Encoder"), std::string::npos);
  ASSERT_EQ(Classes().size(), 1u);
  EXPECT_EQ(Classes()[0].filter->friendlyName, filter.friendlyName);
}

// Finds the moniker of the filter with this friendly name in the legacy filter category.
ComPtr<IMoniker> FindByFriendlyName(const std::wstring& name) {
  ComPtr<ICreateDevEnum> devices;
  EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             devices.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0) != S_OK)
    return {};
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid()))) continue;
    VARIANT value;
    VariantInit(&value);
    const bool match =
        bag->Read(L"FriendlyName", &value, nullptr) == S_OK && value.vt == VT_BSTR && name == value.bstrVal;
    VariantClear(&value);
    if (match) return moniker;
  }
  return {};
}

TEST_F(Registry, TheDeviceEnumeratorFindsTheFilterAndBindsItThroughTheLibrary) {
  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             devices.ReleaseAndGetAddressOfVoid()),
            S_OK);
  ComPtr<IEnumMoniker> monikers;
  EXPECT_EQ(devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0),
            S_FALSE);  // empty category
  EXPECT_FALSE(monikers);

  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  ComPtr<IMoniker> moniker = FindByFriendlyName(kTestFilterName);
  ASSERT_TRUE(moniker);

  ComPtr<IPropertyBag> bag;
  ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid()), S_OK);
  VARIANT value;
  VariantInit(&value);
  ASSERT_EQ(bag->Read(L"CLSID", &value, nullptr), S_OK);
  EXPECT_EQ(GuidFromString(tarn::media::WideToUtf8(value.bstrVal)), kTestFilterClsid);
  VariantClear(&value);
  EXPECT_EQ(bag->Read(L"Merit", &value, nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()), S_OK);
  CLSID clsid{};
  filter->GetClassID(&clsid);
  EXPECT_EQ(clsid, kTestFilterClsid);
  ComPtr<IPin> input;
  EXPECT_EQ(filter->FindPin(L"XForm In", input.ReleaseAndGetAddressOf()), S_OK);

  // The library stays loaded while its objects live, and only then may go.
  CoFreeUnusedLibraries();
  EXPECT_EQ(tarn::media::LoadedLibraryCount(), 1u);
  input.Reset();
  filter.Reset();
  CoFreeUnusedLibraries();
  EXPECT_EQ(tarn::media::LoadedLibraryCount(), 0u);

  // Creation by class id goes the same way.
  ASSERT_EQ(CoCreateInstance(kTestFilterClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             filter.ReleaseAndGetAddressOfVoid()),
            S_OK);
  filter.Reset();
  CoFreeUnusedLibraries();
}

TEST_F(Registry, TheLibrarysClassFactoryOffersOnlyItsOwnClass) {
  auto getClassObject = library.Export<DllGetClassObjectFn>("DllGetClassObject");
  ASSERT_NE(getClassObject, nullptr);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(CLSID_LegacyAmFilterCategory, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(getClassObject(kTestFilterClsid, IID_IBaseFilter, factory.ReleaseAndGetAddressOfVoid()), E_NOINTERFACE);
  ASSERT_EQ(getClassObject(kTestFilterClsid, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()), S_OK);

  auto canUnloadNow = library.Export<DllCanUnloadNowFn>("DllCanUnloadNow");
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Registry, BindingReportsAMissingLibraryOrExport) {
  tarn::media::RegisteredFilter filter;
  filter.category = CLSID_LegacyAmFilterCategory;
  filter.friendlyName = L"Missing";
  const CLSID missing{0x10, 0x20, 0x30, {1, 1, 1, 1, 1, 1, 1, 1}};
  const FilterRegistry registry(File());
  ASSERT_EQ(registry.RegisterClass(missing, L"Missing", (dir.path() / "libgone.so").string(), "Both"), S_OK);
  ASSERT_EQ(registry.RegisterFilter(missing, filter), S_OK);
  ComPtr<IMoniker> moniker = FindByFriendlyName(L"Missing");
  ASSERT_TRUE(moniker);
  ComPtr<IBaseFilter> object;
  EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, object.ReleaseAndGetAddressOfVoid()),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_NE(tarn::media::LastLibraryError().find("libgone.so"), std::string::npos);

  // A real shared library that is not a filter library.
  std::string notAFilter;
  ASSERT_EQ(tarn::media::ModulePath(reinterpret_cast<const void*>(&::dlopen), &notAFilter), S_OK);
  ASSERT_EQ(registry.RegisterClass(missing, L"Missing", notAFilter, "Both"), S_OK);
  moniker = FindByFriendlyName(L"Missing");
  ASSERT_TRUE(moniker);
  EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, object.ReleaseAndGetAddressOfVoid()),
            HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
}

TEST_F(Registry, FiltersForAnInputTypeComeByMerit) {
  const FilterRegistry registry(File());
  auto add = [&](DWORD merit, GUID subtype, DWORD index) {
    tarn::media::RegisteredFilter filter;
    filter.category = CLSID_LegacyAmFilterCategory;
    filter.merit = merit;
    tarn::media::RegisteredPin pin;
    pin.types = {{MEDIATYPE_Video, subtype}};
    filter.pins.push_back(pin);
    ASSERT_EQ(registry.RegisterFilter(CLSID{index, 0, 0, {}}, filter), S_OK);
  };
  add(MERIT_UNLIKELY, MEDIASUBTYPE_YUY2, 1);
  add(MERIT_NORMAL, GUID_NULL, 2);  // any video
  add(MERIT_PREFERRED, MEDIASUBTYPE_RGB24, 3);
  add(MERIT_DO_NOT_USE, MEDIASUBTYPE_YUY2, 4);
  std::vector<RegisteredClass> found;
  ASSERT_EQ(registry.FindFiltersForInput(CLSID_LegacyAmFilterCategory, MEDIATYPE_Video, MEDIASUBTYPE_YUY2,
                                         MERIT_UNLIKELY, &found),
            S_OK);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].clsid.Data1, 2u);
  EXPECT_EQ(found[1].clsid.Data1, 1u);
}

TEST_F(Registry, ConcurrentRegistrationsKeepEveryEntry) {
  constexpr DWORD kThreads = 6, kEach = 5;
  std::vector<std::thread> writers;
  for (DWORD t = 0; t < kThreads; ++t)
    writers.emplace_back([this, t] {
      const FilterRegistry registry(File());
      for (DWORD i = 0; i < kEach; ++i)
        EXPECT_EQ(registry.RegisterClass(CLSID{t * 100 + i + 1, 0, 0, {}}, L"Writer", "/lib.so", "Both"), S_OK);
    });
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(Classes().size(), kThreads * kEach);
}

struct CommandResult {
  int exitCode;
  std::string output;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 256> chunk;
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) result.output += chunk.data();
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST_F(Registry, TarnregsvrRegistersAndUnregistersALibrary) {
  const std::string tool = TARNREGSVR;
  CommandResult run = RunCommand(tool + " " + TEST_FILTER_LIBRARY);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("succeeded"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(File().string()), std::string::npos) << run.output;
  ASSERT_EQ(Classes().size(), 1u);

  run = RunCommand(tool + " -u " + TEST_FILTER_LIBRARY);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Classes().empty());

  run = RunCommand(tool + " " + (dir.path() / "libnothing.so").string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("no such library"), std::string::npos) << run.output;

  const auto text = dir.path() / "notes.so";
  std::ofstream(text) << "not a library\n";
  run = RunCommand(tool + " " + text.string());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("cannot load"), std::string::npos) << run.output;

  run = RunCommand(tool);
  EXPECT_EQ(run.exitCode, 2);
}

// The user's registry, then the machine's in each of $XDG_CONFIG_DIRS.
class MachineRegistry : public ::testing::Test {
 protected:
  std::filesystem::path In(const char* folder) const { return dir.path() / folder / "tarnmedia" / "filters.ini"; }

  TempDir dir;
  ScopedEnv noExplicitFile{"TARNMEDIA_FILTERS", ""};
  ScopedEnv userFolder{"XDG_CONFIG_HOME", (dir.path() / "user").string()};
  ScopedEnv machineFolders{"XDG_CONFIG_DIRS",
                           (dir.path() / "site").string() + ":relative:" + (dir.path() / "vendor").string()};
};

TEST_F(MachineRegistry, TheUsersEntriesWinAndChangesStayWithTheUser) {
  EXPECT_EQ(tarn::media::FilterRegistryLookup(),
            (std::vector<std::filesystem::path>{In("user"), In("site"), In("vendor")}));
  EXPECT_EQ(tarn::media::SystemFilterRegistryPath(), In("site"));
  const CLSID a{0xA, 0, 0, {}};
  const CLSID b{0xB, 0, 0, {}};
  ASSERT_EQ(FilterRegistry(In("vendor")).RegisterClass(a, L"vendor A", "/vendor/liba.so", "Both"), S_OK);
  ASSERT_EQ(FilterRegistry(In("vendor")).RegisterClass(b, L"vendor B", "/vendor/libb.so", "Both"), S_OK);
  ASSERT_EQ(FilterRegistry(In("site")).RegisterClass(a, L"site A", "/site/liba.so", "Both"), S_OK);
  ASSERT_EQ(FilterRegistry(In("user")).RegisterClass(b, L"user B", "/user/libb.so", "Both"), S_OK);

  const FilterRegistry registry;
  std::vector<RegisteredClass> classes;
  ASSERT_EQ(registry.Load(&classes), S_OK);
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].libraryPath, "/user/libb.so");
  EXPECT_EQ(classes[1].libraryPath, "/site/liba.so");

  // An unreadable machine file is passed over; an unreadable user file is reported.
  std::filesystem::remove(In("site"));
  std::filesystem::create_directory(In("site"));
  RegisteredClass found;
  ASSERT_EQ(registry.Find(a, &found), S_OK);
  EXPECT_EQ(found.libraryPath, "/vendor/liba.so");

  const CLSID c{0xC, 0, 0, {}};
  ASSERT_EQ(registry.RegisterClass(c, L"mine", "/user/libc.so", "Both"), S_OK);
  EXPECT_EQ(Occurrences(ReadText(In("vendor")), "mine"), 0u);
  EXPECT_EQ(Occurrences(ReadText(In("user")), "mine"), 1u);
  std::filesystem::remove(In("user"));
  std::filesystem::create_directory(In("user"));
  EXPECT_TRUE(FAILED(registry.Load(&classes)));
}

TEST_F(MachineRegistry, UnregisteringWhatIsAbsentCreatesNoFile) {
  const FilterRegistry registry;
  EXPECT_EQ(registry.UnregisterClass(kTestFilterClsid), S_OK);
  EXPECT_EQ(registry.UnregisterFilter(kTestFilterClsid), S_OK);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "user"));
}

TEST_F(MachineRegistry, TarnregsvrSystemRegistersForEveryUser) {
  const std::string tool = TARNREGSVR;
  CommandResult run = RunCommand(tool + " --system " + TEST_FILTER_LIBRARY);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find(In("site").string()), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(In("user")));
  RegisteredClass found;
  EXPECT_EQ(FilterRegistry().Find(kTestFilterClsid, &found), S_OK);

  run = RunCommand(tool + " -u --system " + TEST_FILTER_LIBRARY);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(FilterRegistry().Find(kTestFilterClsid, &found), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(std::filesystem::exists(In("user")));
}

}  // namespace

namespace {

TEST(TextConversion, RoundTripsAndReplacesBrokenSequences) {
  const std::wstring text = L"A\u00e9\u89c6\U0001F600";
  EXPECT_EQ(tarn::media::Utf8ToWide(tarn::media::WideToUtf8(text)), text);
  // A lone continuation byte, a cut sequence, an overlong form and a surrogate.
  EXPECT_EQ(tarn::media::Utf8ToWide("a\x80z"), L"a\uFFFDz");
  EXPECT_EQ(tarn::media::Utf8ToWide("a\xe8\xa7"), L"a\uFFFD\uFFFD");
  EXPECT_EQ(tarn::media::Utf8ToWide("\xc0\xaf"), L"\uFFFD\uFFFD");
  EXPECT_EQ(tarn::media::Utf8ToWide("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD");
}

}  // namespace
