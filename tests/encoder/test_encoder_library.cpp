// libtarnvenc.so as the graph meets it: loaded with dlopen, registered in a private filter
// registry, found by friendly name through the device enumerator and bound through its
// class factory.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "encoder/video_encoder_ids.h"
#include "encoder_test_support.h"
#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"

namespace {

using tarn::venc::kPreviewSubtype;
using tarn::venc::kVideoEncoderClsid;
using tarn::venc::kVideoEncoderName;

std::string RealPath(const char* path) {
  char* resolved = ::realpath(path, nullptr);
  std::string result = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return result;
}

class EncoderLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = ::dlopen(TARNVENC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    registerServer = Entry<HRESULT (*)()>("DllRegisterServer");
    unregisterServer = Entry<HRESULT (*)()>("DllUnregisterServer");
    getClassObject = Entry<DllGetClassObjectFn>("DllGetClassObject");
    canUnloadNow = Entry<HRESULT (*)()>("DllCanUnloadNow");
    currentSize = Entry<std::int32_t (*)()>("CurentSize");
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    if (handle != nullptr) ::dlclose(handle);
  }
  template <class F>
  F Entry(const char* name) {
    auto entry = reinterpret_cast<F>(::dlsym(handle, name));
    EXPECT_NE(entry, nullptr) << name;
    return entry;
  }
  std::vector<tarn::media::RegisteredClass> Registered() {
    std::vector<tarn::media::RegisteredClass> classes;
    EXPECT_EQ(tarn::media::FilterRegistry(registryPath).Load(&classes), S_OK);
    return classes;
  }

  media_test::TempDir folder;
  std::filesystem::path registryPath = folder.path() / "filters.ini";
  media_test::ScopedEnv registryVariable{"TARNMEDIA_FILTERS", registryPath.string()};
  media_test::ScopedEnv iniVariable{"TARNMEDIA_INI", (folder.path() / "TarnMedia.ini").string()};
  void* handle = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
  DllGetClassObjectFn getClassObject = nullptr;
  HRESULT (*canUnloadNow)() = nullptr;
  std::int32_t (*currentSize)() = nullptr;
};

TEST_F(EncoderLibrary, ExportsOnlyItsEntryPointsByName) {
  EXPECT_EQ(::dlsym(handle, "_ZN4tarn4venc11CurrentSizeEv"), nullptr);
  EXPECT_EQ(::dlsym(handle, "ModuleCanUnloadNow"), nullptr);
}

TEST_F(EncoderLibrary, RegistersOnceAndUnregistersEvenWhenAbsent) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(registerServer(), S_OK);
  const auto classes = Registered();
  ASSERT_EQ(classes.size(), 1u);
  const auto& entry = classes[0];
  EXPECT_EQ(entry.clsid, kVideoEncoderClsid);
  EXPECT_EQ(entry.className, kVideoEncoderName);
  EXPECT_EQ(entry.libraryPath, RealPath(TARNVENC_LIBRARY));
  EXPECT_EQ(entry.threadingModel, "Both");
  ASSERT_TRUE(entry.filter.has_value());
  EXPECT_EQ(entry.filter->category, CLSID_LegacyAmFilterCategory);
  EXPECT_EQ(entry.filter->friendlyName, kVideoEncoderName);
  EXPECT_EQ(entry.filter->merit, 0x00200000u);
  ASSERT_EQ(entry.filter->pins.size(), 2u);
  const auto& input = entry.filter->pins[0];
  EXPECT_EQ(input.name, L"Input");
  EXPECT_FALSE(input.output || input.rendered || input.zero || input.many);
  EXPECT_EQ(input.connectsToFilter, CLSID_NULL);
  EXPECT_EQ(input.types, (std::vector<std::pair<GUID, GUID>>{{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}}));
  const auto& output = entry.filter->pins[1];
  EXPECT_EQ(output.name, L"Output");
  EXPECT_TRUE(output.output);
  EXPECT_FALSE(output.rendered || output.zero || output.many);
  EXPECT_EQ(output.types, (std::vector<std::pair<GUID, GUID>>{{MEDIATYPE_Video, kPreviewSubtype}}));

  EXPECT_EQ(unregisterServer(), S_OK);
  EXPECT_TRUE(Registered().empty());
  EXPECT_EQ(unregisterServer(), S_OK);
}

TEST_F(EncoderLibrary, HandsOutAClassFactoryForTheFilterOnly) {
  ComPtr<IClassFactory> factory;
  constexpr CLSID kOther{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(getClassObject(kOther, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(getClassObject(kVideoEncoderClsid, IID_IBaseFilter, factory.ReleaseAndGetAddressOfVoid()),
            E_NOINTERFACE);
  EXPECT_EQ(canUnloadNow(), S_OK);
  ASSERT_EQ(getClassObject(kVideoEncoderClsid, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);

  ComPtr<IBaseFilter> filter;
  ComPtr<IBaseFilter> outer(new venc_test::PictureSource);  // any object can stand as an owner
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()),
            E_NOINTERFACE);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReleaseAndGetAddressOfVoid()), S_OK);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kVideoEncoderClsid);
  ComPtr<IReferenceClock> clock;
  EXPECT_EQ(filter->QueryInterface(IID_IReferenceClock, clock.ReleaseAndGetAddressOfVoid()), S_OK);

  factory->LockServer(TRUE);
  factory.Reset();
  filter.Reset();
  clock.Reset();
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // the lock holds the library
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(getClassObject(kVideoEncoderClsid, IID_IUnknown, unknown.ReleaseAndGetAddressOfVoid()), S_OK);
  ASSERT_EQ(unknown.As(&factory), S_OK);
  unknown.Reset();
  factory->LockServer(FALSE);
  factory.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(EncoderLibrary, TheDeviceEnumeratorFindsTheFilterAndTheBoundObjectEncodes) {
  ASSERT_EQ(registerServer(), S_OK);
  EXPECT_EQ(currentSize(), 0);

  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             devices.ReleaseAndGetAddressOfVoid()), S_OK);
  ComPtr<IEnumMoniker> monikers;
  ASSERT_EQ(devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.ReleaseAndGetAddressOf(), 0), S_OK);
  ComPtr<IBaseFilter> encoder;
  ComPtr<IMoniker> moniker;
  while (!encoder && monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetAddressOfVoid()), S_OK);
    VARIANT name;
    VariantInit(&name);
    if (bag->Read(L"FriendlyName", &name, nullptr) == S_OK && std::wstring(name.bstrVal) == kVideoEncoderName) {
      ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, encoder.ReleaseAndGetAddressOfVoid()), S_OK);
    }
    VariantClear(&name);
  }
  ASSERT_TRUE(encoder);

  const auto moviePath = folder.path() / "bound.tmv";
  std::ofstream(folder.path() / "TarnMedia.ini") << "[SaveMovie]\nFileName=" << moviePath.string() << "\n";
  ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
  ComPtr<venc_test::PreviewSink> sink(new venc_test::PreviewSink);
  source->pin.type = media_test::VideoType(MEDIASUBTYPE_RGB24, 64, 48, 24);
  source->pin.bufferSize = 64 * 48 * 3;
  ComPtr<IPin> in;
  ComPtr<IPin> out;
  ASSERT_EQ(encoder->FindPin(L"XForm In", in.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(encoder->FindPin(L"XForm Out", out.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(source->pin.Connect(in.Get(), nullptr), S_OK);
  ASSERT_EQ(out->Connect(&sink->pin, nullptr), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(encoder->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(currentSize(), 512);
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(source->Push(venc_test::Rgb24Frame(64, 48, i), 1'000'000 * (i + 1), 1'000'000 * (i + 1) + 1), S_OK);
  source->Stop();
  ASSERT_EQ(encoder->Stop(), S_OK);
  sink->Stop();
  const auto movie = venc_test::PlayMovie(moviePath);
  EXPECT_EQ(movie.records.size(), 3u);
  EXPECT_TRUE(movie.finished);
  EXPECT_EQ(static_cast<std::uint64_t>(currentSize()), movie.fileSize);
  EXPECT_EQ(sink->pin.received.size(), 3u);

  source->pin.Disconnect();
  in->Disconnect();
  out->Disconnect();
  sink->pin.Disconnect();
}

TEST(EncoderBuild, TheBuildRegistryListsTheLibrary) {
  tarn::media::RegisteredClass entry;
  ASSERT_EQ(tarn::media::FilterRegistry(std::filesystem::path(TARN_BUILD_DIR) / "filters.ini")
                .Find(kVideoEncoderClsid, &entry), S_OK);
  EXPECT_EQ(entry.libraryPath, RealPath(TARNVENC_LIBRARY));
  ASSERT_TRUE(entry.filter.has_value());
  EXPECT_EQ(entry.filter->friendlyName, kVideoEncoderName);
}

}  // namespace
