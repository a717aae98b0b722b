// The navigator filter on its own: what it reports about each test disc from every kind of path,
// playback that stops by itself, and damaged input.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "media/com/ComPtr.h"
#include "platform/navigator/dvd_interfaces.h"
#include "media/registry/TextConversion.h"
#include "navigator_test_support.h"
#include "platform/navigator/dvd_navigator.h"

namespace {

#define EXPECT_FAILS(expression) EXPECT_TRUE(FAILED(expression))

namespace fs = std::filesystem;
using tarn::navigator::DvdNavigator;

constexpr LCID kEnglish = 0x0409, kFrench = 0x040C, kGerman = 0x0407, kItalian = 0x0410;

class NavigatorFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!nav_test::Discs().error.empty()) GTEST_SKIP() << nav_test::Discs().error;
    HRESULT hr = S_OK;
    CUnknown* object = DvdNavigator::CreateInstance(nullptr, &hr);
    ASSERT_TRUE(SUCCEEDED(hr) && object != nullptr);
    ASSERT_EQ(
        object->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf())),
        S_OK);
    ASSERT_EQ(QueryInterfaceAs(filter.Get(), control.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(QueryInterfaceAs(filter.Get(), info.ReleaseAndGetAddressOf()), S_OK);
  }
  void TearDown() override {
    if (filter) filter->Stop();
  }

  HRESULT Open(const std::string& path) { return control->SetDVDDirectory(tarn::media::Utf8ToWide(path).c_str()); }

  std::string LastError() {
    ComPtr<ITarnNavigatorStatus> status;
    QueryInterfaceAs(filter.Get(), status.ReleaseAndGetAddressOf());
    char text[512] = "";
    status->GetLastErrorText(text, sizeof(text));
    return text;
  }

  // Waits (bounded) for the navigator to read stopped.
  bool WaitForStop(int seconds = 60) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
      DVD_DOMAIN domain = DVD_DOMAIN_Title;
      if (SUCCEEDED(info->GetCurrentDomain(&domain)) && domain == DVD_DOMAIN_Stop) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  void ExpectNtscDescription() {
    ULONG volumes = 0, volume = 0, titles = 0;
    DVD_DISC_SIDE side{};
    ASSERT_EQ(info->GetDVDVolumeInfo(&volumes, &volume, &side, &titles), S_OK);
    EXPECT_EQ(titles, 2u);
    ULONG chapters = 0;
    ASSERT_EQ(info->GetNumberOfChapters(1, &chapters), S_OK);
    EXPECT_EQ(chapters, 4u);
    ASSERT_EQ(info->GetNumberOfChapters(2, &chapters), S_OK);
    EXPECT_EQ(chapters, 2u);
    EXPECT_EQ(info->GetNumberOfChapters(3, &chapters), E_INVALIDARG);
    EXPECT_EQ(info->GetNumberOfChapters(0, &chapters), E_INVALIDARG);

    ULONG available = 0, current = 9;
    ASSERT_EQ(info->GetCurrentAudio(&available, &current), S_OK);
    EXPECT_EQ(available, 2u);
    EXPECT_EQ(current, 0u);
    LCID language = 0;
    ASSERT_EQ(info->GetAudioLanguage(0, &language), S_OK);
    EXPECT_EQ(language, kEnglish);
    ASSERT_EQ(info->GetAudioLanguage(1, &language), S_OK);
    EXPECT_EQ(language, kFrench);
    EXPECT_EQ(info->GetAudioLanguage(2, &language), E_INVALIDARG);
    DVD_AudioAttributes audio;
    ASSERT_EQ(info->GetAudioAttributes(0, &audio), S_OK);
    EXPECT_EQ(audio.AudioFormat, DVD_AudioFormat_AC3);
    EXPECT_EQ(audio.bNumberOfChannels, 2);
    EXPECT_EQ(audio.dwFrequency, 48000u);

    BOOL disabled = FALSE;
    ASSERT_EQ(info->GetCurrentSubpicture(&available, &current, &disabled), S_OK);
    EXPECT_EQ(available, 1u);
    EXPECT_TRUE(disabled);
    ASSERT_EQ(info->GetSubpictureLanguage(0, &language), S_OK);
    EXPECT_EQ(language, kEnglish);
    DVD_SubpictureAttributes subpicture;
    ASSERT_EQ(info->GetSubpictureAttributes(0, &subpicture), S_OK);
    EXPECT_EQ(subpicture.Type, DVD_SPType_Language);
  }

  ComPtr<IBaseFilter> filter;
  ComPtr<IDvdControl2> control;
  ComPtr<IDvdInfo2> info;
};

TEST_F(NavigatorFilter, OffersOnlyTheSecondGenerationInterfaces) {
  ComPtr<IUnknown> old;
  EXPECT_EQ(filter->QueryInterface(IID_IDvdInfo, reinterpret_cast<void**>(old.ReleaseAndGetAddressOf())),
            E_NOINTERFACE);
  EXPECT_EQ(filter->QueryInterface(IID_IDvdControl, reinterpret_cast<void**>(old.ReleaseAndGetAddressOf())),
            E_NOINTERFACE);
  // Without a disc nothing is known yet.
  ULONG titles = 0;
  EXPECT_FAILS(info->GetDVDVolumeInfo(nullptr, nullptr, nullptr, &titles));
}

TEST_F(NavigatorFilter, DescribesTheDiscFromEveryKindOfPath) {
  const std::string disc = nav_test::Discs().ntsc;
  for (const std::string& path : {disc, disc + "/VIDEO_TS", disc + "/VIDEO_TS/VIDEO_TS.IFO",
                                  disc + "/VIDEO_TS/VTS_01_0.IFO", nav_test::Discs().ntscIso}) {
    SCOPED_TRACE(path);
    ASSERT_EQ(Open(path), S_OK) << LastError();
    ExpectNtscDescription();
    wchar_t directory[260] = {};
    ULONG length = 0;
    ASSERT_EQ(info->GetDVDDirectory(directory, 260, &length), S_OK);
    EXPECT_EQ(length, std::wcslen(directory) + 1);
    ULONG tooShort = 0;
    EXPECT_EQ(info->GetDVDDirectory(directory, 2, &tooShort), E_INVALIDARG);
    EXPECT_EQ(tooShort, length);
  }
}

TEST_F(NavigatorFilter, StreamsAndLanguagesFollowTheTitleAskedFor) {
  ASSERT_EQ(Open(nav_test::Discs().pal), S_OK) << LastError();
  LCID language = 1;
  ASSERT_EQ(info->GetAudioLanguage(0, &language), S_OK);
  EXPECT_EQ(language, kGerman);
  ASSERT_EQ(info->GetAudioLanguage(1, &language), S_OK);
  EXPECT_EQ(language, 0u);  // a stream without a language is still a stream
  DVD_AudioAttributes audio;
  ASSERT_EQ(info->GetAudioAttributes(0, &audio), S_OK);
  EXPECT_TRUE(audio.AudioFormat == DVD_AudioFormat_MPEG1 || audio.AudioFormat == DVD_AudioFormat_MPEG2);
  ULONG available = 9, current = 0;
  BOOL disabled = FALSE;
  ASSERT_EQ(info->GetCurrentSubpicture(&available, &current, &disabled), S_OK);
  EXPECT_EQ(available, 0u);

  // Asked for while the filter is stopped, the run waits; its title's streams are chosen from.
  ASSERT_EQ(control->PlayChaptersAutoStop(2, 1, 1, DVD_CMD_FLAG_None, nullptr), S_OK);
  ASSERT_EQ(info->GetCurrentAudio(&available, &current), S_OK);
  EXPECT_EQ(available, 1u);
  ASSERT_EQ(info->GetAudioLanguage(0, &language), S_OK);
  EXPECT_EQ(language, kItalian);
  ASSERT_EQ(info->GetAudioAttributes(0, &audio), S_OK);
  EXPECT_EQ(audio.AudioFormat, DVD_AudioFormat_LPCM);
  EXPECT_EQ(control->SelectAudioStream(1, DVD_CMD_FLAG_None, nullptr), E_INVALIDARG);
  EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(NavigatorFilter, RefusesChaptersTheTitleDoesNotHave) {
  ASSERT_EQ(Open(nav_test::Discs().ntsc), S_OK);
  EXPECT_EQ(control->PlayChaptersAutoStop(1, 4, 2, DVD_CMD_FLAG_None, nullptr), E_INVALIDARG);
  EXPECT_EQ(control->PlayChaptersAutoStop(1, 0, 1, DVD_CMD_FLAG_None, nullptr), E_INVALIDARG);
  EXPECT_EQ(control->PlayChaptersAutoStop(1, 1, 0, DVD_CMD_FLAG_None, nullptr), E_INVALIDARG);
  EXPECT_EQ(control->PlayChapterInTitle(3, 1, DVD_CMD_FLAG_Block, nullptr), E_INVALIDARG);
  DVD_DOMAIN domain{};
  ASSERT_EQ(info->GetCurrentDomain(&domain), S_OK);
  EXPECT_EQ(domain, DVD_DOMAIN_Stop);
}

TEST_F(NavigatorFilter, PlayedChaptersStopByThemselves) {
  ASSERT_EQ(Open(nav_test::Discs().ntsc), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(control->PlayChaptersAutoStop(1, 2, 2, DVD_CMD_FLAG_SendEvents, nullptr), S_OK);
  ASSERT_TRUE(WaitForStop());
  DVD_PLAYBACK_LOCATION2 location;
  ASSERT_EQ(info->GetCurrentLocation(&location), S_OK);
  EXPECT_EQ(location.TitleNum, 1u);
  EXPECT_EQ(location.ChapterNum, 3u);
  EXPECT_EQ(LastError(), "");

  // Again, from the start of a title to its end, and the first-play way with PlayForwards.
  ASSERT_EQ(control->PlayChapterInTitle(2, 1, DVD_CMD_FLAG_Block, nullptr), S_OK);
  ASSERT_TRUE(WaitForStop());
  ASSERT_EQ(info->GetCurrentLocation(&location), S_OK);
  EXPECT_EQ(location.TitleNum, 2u);
  EXPECT_EQ(location.ChapterNum, 2u);
}

TEST_F(NavigatorFilter, DamagedOrMissingDiscsFailWithAReason) {
  nav_test::TempDir folder;
  EXPECT_FAILS(Open(folder.str() + "/nothing-here"));
  EXPECT_NE(LastError(), "");
  EXPECT_FAILS(Open(folder.str()));  // a folder without a disc

  const std::string corrupt = tarn::dvd::test::CopyDisc(nav_test::Discs().ntsc, folder.str(), "corrupt");
  for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"}) {
    std::fstream ifo(corrupt + name, std::ios::in | std::ios::out | std::ios::binary);
    const std::string garbage(512, '\x5a');
    ifo.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  EXPECT_FAILS(Open(corrupt));

  // A cut image either does not open or its playback ends with an error, in bounded time.
  const std::string cut = folder.str() + "/cut.iso";
  fs::copy_file(nav_test::Discs().ntscIso, cut);
  fs::resize_file(cut, fs::file_size(cut) / 3);
  if (SUCCEEDED(Open(cut))) {
    ASSERT_EQ(filter->Pause(), S_OK);
    if (SUCCEEDED(control->PlayChaptersAutoStop(1, 1, 4, DVD_CMD_FLAG_None, nullptr))) {
      ASSERT_TRUE(WaitForStop());
      EXPECT_NE(LastError(), "");
    }
  }
}

TEST_F(NavigatorFilter, TruncatedVideoEndsTheRunWithAnError) {
  nav_test::TempDir folder;
  const std::string disc = tarn::dvd::test::CopyDisc(nav_test::Discs().ntsc, folder.str(), "truncated");
  const fs::path vob = disc + "/VIDEO_TS/VTS_01_1.VOB";
  fs::resize_file(vob, fs::file_size(vob) / 4);
  ASSERT_EQ(Open(disc), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(control->PlayChaptersAutoStop(1, 1, 4, DVD_CMD_FLAG_None, nullptr), S_OK);
  ASSERT_TRUE(WaitForStop());
  EXPECT_NE(LastError(), "");
}

TEST_F(NavigatorFilter, NavigationThatLoopsDoesNotTrapPlayback) {
  ASSERT_EQ(Open(nav_test::Discs().loop), S_OK) << LastError();
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(control->PlayChaptersAutoStop(1, 1, 1, DVD_CMD_FLAG_None, nullptr), S_OK);
  EXPECT_TRUE(WaitForStop(30));
}

}  // namespace
