// libtarnaud.so as the graph and the converter meet it: loaded with dlopen, its size read
// through dlsym("CurrentSize"), registered in a private filter registry, found by friendly
// name through the device enumerator and bound through its class factory.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "media/registry/CategoryInterfaces.h"
#include "media/registry/ComRuntime.h"
#include "media/registry/FilterRegistry.h"
#include "sound_test_support.h"
#include "tarnaud/audio_encoder_ids.h"

namespace {

using tarn::aud::kAudioEncoderClsid;
using tarn::aud::kAudioEncoderName;

std::string RealPath(const char* path) {
  char* resolved = ::realpath(path, nullptr);
  std::string result = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return result;
}

class AudioLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = ::dlopen(TARNAUD_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    registerServer = Entry<HRESULT (*)()>("DllRegisterServer");
    unregisterServer = Entry<HRESULT (*)()>("DllUnregisterServer");
    currentSize = Entry<std::int32_t (*)()>("CurrentSize");
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
  std::int32_t (*currentSize)() = nullptr;
};

TEST_F(AudioLibrary, ExportsOnlyItsEntryPoints) {
  EXPECT_NE(::dlsym(handle, "DllGetClassObject"), nullptr);
  EXPECT_NE(::dlsym(handle, "DllCanUnloadNow"), nullptr);
  EXPECT_EQ(::dlsym(handle, "_ZN4tarn3aud17SoundBytesWrittenEv"), nullptr);
  EXPECT_EQ(::dlsym(handle, "ModuleCanUnloadNow"), nullptr);
}

TEST_F(AudioLibrary, RegistersOnceWithItsPinsAndUnregisters) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(registerServer(), S_OK);
  const auto classes = Registered();
  ASSERT_EQ(classes.size(), 1u);
  const auto& entry = classes[0];
  EXPECT_EQ(entry.clsid, kAudioEncoderClsid);
  EXPECT_EQ(entry.libraryPath, RealPath(TARNAUD_LIBRARY));
  ASSERT_TRUE(entry.filter.has_value());
  EXPECT_EQ(entry.filter->category, CLSID_LegacyAmFilterCategory);
  EXPECT_EQ(entry.filter->friendlyName, kAudioEncoderName);
  EXPECT_EQ(entry.filter->merit, 0x00200000u);
  ASSERT_EQ(entry.filter->pins.size(), 2u);
  const std::vector<std::pair<GUID, GUID>> pcm{{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
  EXPECT_FALSE(entry.filter->pins[0].output);
  EXPECT_EQ(entry.filter->pins[0].types, pcm);
  EXPECT_TRUE(entry.filter->pins[1].output);
  EXPECT_EQ(entry.filter->pins[1].types, pcm);

  EXPECT_EQ(unregisterServer(), S_OK);
  EXPECT_TRUE(Registered().empty());
}

TEST_F(AudioLibrary, TheBoundFilterWritesTheFileThatCurrentSizeReports) {
  EXPECT_EQ(currentSize(), 0);  // nothing written since the library was loaded
  ASSERT_EQ(registerServer(), S_OK);

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
    if (bag->Read(L"FriendlyName", &name, nullptr) == S_OK && std::wstring(name.bstrVal) == kAudioEncoderName) {
      ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, encoder.ReleaseAndGetAddressOfVoid()), S_OK);
    }
    VariantClear(&name);
  }
  ASSERT_TRUE(encoder);

  const auto soundPath = folder.path() / "bound.tms";
  std::ofstream(folder.path() / "TarnMedia.ini") << "[AudioOut]\nFileName=" << soundPath.string()
                                                  << "\nMusicMode=2\n";
  ComPtr<aud_test::ToneSource> source(new aud_test::ToneSource);
  ComPtr<aud_test::PcmSink> sink(new aud_test::PcmSink);
  source->pin.offered = {aud_test::PcmType(48'000, 2)};
  ComPtr<IPin> in;
  ComPtr<IPin> out;
  ASSERT_EQ(encoder->FindPin(L"In", in.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(encoder->FindPin(L"Out", out.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(source->pin.Connect(in.Get(), nullptr), S_OK);
  ASSERT_EQ(out->Connect(&sink->pin, nullptr), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(encoder->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(currentSize(), 64);
  for (int i = 0; i < 10; ++i)
    ASSERT_EQ(source->Push(aud_test::Tone({440.0, 880.0}, 0.3, 48'000, i * 0.1, 4'800), i * 1'000'000), S_OK);
  source->Stop();
  ASSERT_EQ(encoder->Stop(), S_OK);
  sink->Stop();
  const aud_test::DecodedSound sound = aud_test::ReadSound(soundPath);
  EXPECT_TRUE(sound.finished);
  EXPECT_EQ(sound.frames, 12'000u);
  EXPECT_EQ(static_cast<std::uint64_t>(currentSize()), sound.fileSize);
  EXPECT_EQ(sound.fileSize, 64u + 23u * 256u + 4u + 385u / 2u);  // 23 blocks of 505, then 385 samples

  source->pin.Disconnect();
  in->Disconnect();
  out->Disconnect();
  sink->pin.Disconnect();
}

TEST(AudioBuild, TheBuildRegistryListsTheLibrary) {
  tarn::media::RegisteredClass entry;
  ASSERT_EQ(tarn::media::FilterRegistry(std::filesystem::path(TARN_BUILD_DIR) / "filters.ini")
                .Find(kAudioEncoderClsid, &entry), S_OK);
  EXPECT_EQ(entry.libraryPath, RealPath(TARNAUD_LIBRARY));
}

}  // namespace
