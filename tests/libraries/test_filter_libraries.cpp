// Every filter library of the product as the graph meets it: the four entry points and nothing
// of the core exported, each filter registered once and removed again, class factories for its
// own filters only, each filter found by friendly name and bound, and the build's registry
// listing them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/video_encoder_ids.h"
#include "media/com/ClassFactory.h"
#include "media/registry/CategoryInterfaces.h"
#include "platform/navigator/navigator_ids.h"
#include "platform/platform_ids.h"
#include "tarnaud/audio_encoder_ids.h"
#include "tests/support/encoder_test_support.h"
#include "tests/support/filter_library.h"

namespace {

struct FilterClass {
  CLSID clsid;
  std::wstring name;
};

struct LibraryCase {
  std::string label;
  std::string path;
  std::vector<FilterClass> filters;
  std::vector<std::string> hidden;  // names that must not be exported
};

std::vector<LibraryCase> Libraries() {
  using namespace tarn;
  return {
      {"tarnvenc",
       TARNVENC_LIBRARY,
       {{venc::kVideoEncoderClsid, venc::kVideoEncoderName}},
       {"_ZN4tarn4venc11CurrentSizeEv"}},
      {"tarnaud",
       TARNAUD_LIBRARY,
       {{aud::kAudioEncoderClsid, aud::kAudioEncoderName}},
       {"_ZN4tarn3aud17SoundBytesWrittenEv"}},
      {"tarnplatform",
       TARNPLATFORM_LIBRARY,
       {{platform::kFileSourceClsid, platform::kFileSourceName},
        {platform::kNullRendererClsid, platform::kNullRendererName},
        {platform::kVideoRendererClsid, platform::kVideoRendererName},
        {platform::kAudioRendererClsid, platform::kAudioRendererName},
        {platform::kMpegVideoDecoderClsid, platform::kMpegVideoDecoderName},
        {platform::kAudioDecoderClsid, platform::kAudioDecoderName},
        {platform::kAcmWrapperClsid, platform::kAcmWrapperName}},
       {}},
      {"tarnnavigator", TARNNAVIGATOR_LIBRARY, {{navigator::kDvdNavigatorClsid, navigator::kDvdNavigatorName}}, {}},
  };
}

class FilterLibraryTest : public ::testing::TestWithParam<LibraryCase> {
 protected:
  tarn::test::PrivateRegistry registry;
  tarn::test::LoadedFilterLibrary library{GetParam().path};
};

TEST_P(FilterLibraryTest, ExportsItsEntryPointsAndNothingOfTheCore) {
  ASSERT_TRUE(library.Loaded());
  for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow"})
    EXPECT_NE(library.Symbol(name), nullptr) << name;
  EXPECT_EQ(library.Symbol("ModuleCanUnloadNow"), nullptr);
  EXPECT_EQ(library.Symbol("GetClassObjectFromTemplates"), nullptr);
  for (const std::string& name : GetParam().hidden) EXPECT_EQ(library.Symbol(name.c_str()), nullptr) << name;
}

TEST_P(FilterLibraryTest, RegistersEachFilterOnceAndUnregistersEvenWhenAbsent) {
  ASSERT_TRUE(library.Loaded());
  ASSERT_EQ(library.Register(), S_OK);
  ASSERT_EQ(library.Register(), S_OK);
  const auto classes = registry.Classes();
  ASSERT_EQ(classes.size(), GetParam().filters.size());
  for (const FilterClass& filter : GetParam().filters) {
    const auto entry =
        std::find_if(classes.begin(), classes.end(), [&](const auto& c) { return c.clsid == filter.clsid; });
    ASSERT_NE(entry, classes.end()) << std::string(filter.name.begin(), filter.name.end());
    EXPECT_EQ(entry->className, filter.name);
    EXPECT_EQ(entry->libraryPath, tarn::test::RealPath(GetParam().path));
    EXPECT_EQ(entry->threadingModel, "Both");
    ASSERT_TRUE(entry->filter.has_value());
    EXPECT_EQ(entry->filter->category, CLSID_LegacyAmFilterCategory);
    EXPECT_EQ(entry->filter->friendlyName, filter.name);
  }
  EXPECT_EQ(library.Unregister(), S_OK);
  EXPECT_TRUE(registry.Classes().empty());
  EXPECT_EQ(library.Unregister(), S_OK);
}

TEST_P(FilterLibraryTest, HandsOutClassFactoriesForItsOwnFiltersOnly) {
  ASSERT_TRUE(library.Loaded());
  ComPtr<IClassFactory> factory;
  constexpr CLSID kOther{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(library.GetClassObject(kOther, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(library.CanUnloadNow(), S_OK);
  for (const FilterClass& filter : GetParam().filters) {
    EXPECT_EQ(library.GetClassObject(filter.clsid, IID_IBaseFilter, factory.ReleaseAndGetAddressOfVoid()),
              E_NOINTERFACE);
    ASSERT_EQ(library.GetClassObject(filter.clsid, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()), S_OK);
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    ComPtr<IBaseFilter> object;
    ComPtr<IBaseFilter> outer(new venc_test::PictureSource);  // any object can stand as an owner
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IBaseFilter, object.ReleaseAndGetAddressOfVoid()),
              E_NOINTERFACE);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, object.ReleaseAndGetAddressOfVoid()), S_OK);
    CLSID clsid{};
    EXPECT_EQ(object->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, filter.clsid);

    factory->LockServer(TRUE);
    object.Reset();
    factory.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);  // the lock holds the library
    ASSERT_EQ(library.GetClassObject(filter.clsid, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
  }
}

TEST_P(FilterLibraryTest, TheDeviceEnumeratorBindsEachFilterByItsName) {
  ASSERT_TRUE(library.Loaded());
  ASSERT_EQ(library.Register(), S_OK);
  for (const FilterClass& filter : GetParam().filters) {
    ComPtr<IBaseFilter> bound = tarn::test::BindByFriendlyName(filter.name);
    ASSERT_TRUE(bound) << std::string(filter.name.begin(), filter.name.end());
    CLSID clsid{};
    EXPECT_EQ(bound->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, filter.clsid);
  }
}

TEST_P(FilterLibraryTest, TheBuildRegistryListsEachFilter) {
  for (const FilterClass& filter : GetParam().filters) {
    tarn::media::RegisteredClass entry;
    ASSERT_EQ(
        tarn::media::FilterRegistry(std::filesystem::path(TARN_BUILD_DIR) / "filters.ini").Find(filter.clsid, &entry),
        S_OK);
    EXPECT_EQ(entry.libraryPath, tarn::test::RealPath(GetParam().path));
    ASSERT_TRUE(entry.filter.has_value());
    EXPECT_EQ(entry.filter->friendlyName, filter.name);
  }
}

INSTANTIATE_TEST_SUITE_P(Libraries, FilterLibraryTest, ::testing::ValuesIn(Libraries()),
                         [](const auto& library) { return library.param.label; });

}  // namespace
