// The video encoder filter streaming between a picture source and a preview sink: the frame
// gate, the clock, the movie file as the handheld plays it, the settings, and failures.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>

#include "codec/frame_decoder.h"
#include "codec/picture_prep.h"
#include "encoder/encoder_process_state.h"
#include "formats/record_format.h"
#include "tests/support/encoder_test_support.h"
#include "media/base/MediaSample.h"

namespace {

using tarn::venc::CurrentSize;
using tarn::venc::FramesStarted;
using venc_test::Bytes;
using venc_test::EncoderChain;
using venc_test::PlayMovie;
using venc_test::Rgb24Frame;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr REFERENCE_TIME kNtscFrame = 333'667;

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class EncoderStream : public EncoderChain {
 protected:
  void SetUp() override {
    EncoderChain::SetUp();
    UseRgb24Input(kWidth, kHeight);
    ConnectAll();
  }

  // One stream over samples with these start times (stop = start + one NTSC frame); returns
  // the start times of the previews that came out.
  std::vector<REFERENCE_TIME> KeptTimes(const std::vector<REFERENCE_TIME>& starts) {
    sink->pin.received.clear();
    EXPECT_EQ(StartAll(), S_OK);
    for (std::size_t i = 0; i < starts.size(); ++i)
      EXPECT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, static_cast<int>(i)), starts[i], starts[i] + kNtscFrame),
                S_OK);
    EXPECT_EQ(StopAll(), S_OK);
    std::vector<REFERENCE_TIME> kept;
    for (const auto& preview : sink->pin.received) kept.push_back(preview.start);
    EXPECT_EQ(PlayMovie(moviePath).records.size(), kept.size());
    return kept;
  }
};

std::vector<REFERENCE_TIME> Ntsc(REFERENCE_TIME first, int count) {
  std::vector<REFERENCE_TIME> times;
  for (int i = 0; i < count; ++i) times.push_back(first + i * kNtscFrame);
  return times;
}

TEST_F(EncoderStream, AStreamStartingAtZeroKeepsItsFirstTwoFrames) {
  const auto times = Ntsc(0, 12);
  EXPECT_EQ(KeptTimes(times), (std::vector<REFERENCE_TIME>{times[0], times[1], times[4], times[7], times[10]}));
}

TEST_F(EncoderStream, KeepsTenFramesPerSecondOnAGridAnchoredAtTheFirstKeptFrame) {
  const auto times = Ntsc(1'000'000, 60);
  // The first frame at or after 0.1 s, 0.2 s, 0.3 s and so on.
  std::vector<REFERENCE_TIME> expected;
  for (REFERENCE_TIME grid = 1'000'000; grid <= times.back(); grid += 1'000'000)
    expected.push_back(*std::lower_bound(times.begin(), times.end(), grid));
  ASSERT_EQ(expected.size(), 20u);
  EXPECT_EQ(KeptTimes(times), expected);
}

TEST_F(EncoderStream, JumpsInStreamTimeHoldTheGridWhereItWas) {
  // Backwards: after 0.1 s .. 1.0 s, a restart at 0 is dropped until it reaches 1.1 s.
  std::vector<REFERENCE_TIME> times;
  for (int i = 1; i <= 10; ++i) times.push_back(i * 1'000'000);
  const auto restart = Ntsc(0, 38);  // up to 1.23 s
  times.insert(times.end(), restart.begin(), restart.end());
  auto kept = KeptTimes(times);
  ASSERT_EQ(kept.size(), 10u + 2u);
  EXPECT_EQ(kept[10], *std::lower_bound(restart.begin(), restart.end(), 11'000'000));
  EXPECT_EQ(kept[11], *std::lower_bound(restart.begin(), restart.end(), 12'000'000));

  // Forwards: every frame passes, 100 ms of grid per frame, until the grid catches up.
  times = {1'000'000, 2'000'000};
  const auto later = Ntsc(100'000'000, 20);
  times.insert(times.end(), later.begin(), later.end());
  kept = KeptTimes(times);
  EXPECT_EQ(kept, times);
}

TEST_F(EncoderStream, SamplesWithoutTimesAreAllEncodedAndGoOutWithoutTimes) {
  ASSERT_EQ(StartAll(), S_OK);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, i)), S_OK);
  ASSERT_EQ(StopAll(), S_OK);
  ASSERT_EQ(sink->pin.received.size(), 5u);
  for (const auto& preview : sink->pin.received) EXPECT_EQ(preview.timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(PlayMovie(moviePath).records.size(), 5u);

  // A start time without a stop time counts as no time: 30 frames a second all pass the gate.
  sink->pin.received.clear();
  ASSERT_EQ(StartAll(), S_OK);
  for (const REFERENCE_TIME start : Ntsc(1'000'000, 5))
    ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 1), start), S_OK);
  ASSERT_EQ(StopAll(), S_OK);
  ASSERT_EQ(sink->pin.received.size(), 5u);
  for (const auto& preview : sink->pin.received) EXPECT_EQ(preview.timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(PlayMovie(moviePath).records.size(), 5u);
}

TEST_F(EncoderStream, ADroppedFrameTouchesNothingButTheFramesStartedFlag) {
  ASSERT_EQ(StartAll(), S_OK);
  ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 0), 1'000'000, 1'333'667), S_OK);
  FramesStarted().store(false);
  const auto size = CurrentSize().load();
  const auto fileSize = std::filesystem::file_size(moviePath);
  const auto clock = encoder->Clock().PeekTime();

  ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 1), 1'500'000, 1'833'667), S_OK);
  EXPECT_TRUE(FramesStarted().load());
  EXPECT_EQ(CurrentSize().load(), size);
  EXPECT_EQ(std::filesystem::file_size(moviePath), fileSize);
  EXPECT_EQ(encoder->Clock().PeekTime(), clock);
  EXPECT_EQ(sink->pin.received.size(), 1u);
}

TEST_F(EncoderStream, ClockStepsByReadingsAndIsToppedUpByKeptFrames) {
  IReferenceClock& clock = encoder->Clock();
  REFERENCE_TIME first = 0;
  REFERENCE_TIME second = 0;
  // A new filter has seen no frame: every reading moves the clock by 100 ms.
  ASSERT_EQ(clock.GetTime(&first), S_OK);
  ASSERT_EQ(clock.GetTime(&second), S_OK);
  EXPECT_EQ(second - first, 1'000'000);

  ASSERT_EQ(StartAll(), S_OK);
  REFERENCE_TIME start = 1'000'000;
  auto keep = [&] {
    ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 0), start, start + 1), S_OK);
    start += 1'000'000;
  };
  // Pending readings since the last kept frame: 200 ms, so the kept frame adds 0.1 ms.
  const REFERENCE_TIME beforeFirst = encoder->Clock().PeekTime();
  keep();
  EXPECT_EQ(encoder->Clock().PeekTime(), beforeFirst + 1'000);

  // Once frames flow a reading moves it by 10 ms; a kept frame fills up to 100 ms.
  ASSERT_EQ(clock.GetTime(&first), S_OK);
  ASSERT_EQ(clock.GetTime(&second), S_OK);
  EXPECT_EQ(second - first, 100'000);
  keep();
  EXPECT_EQ(encoder->Clock().PeekTime(), second + 800'000);
  // No reading in between: a whole 100 ms.
  keep();
  EXPECT_EQ(encoder->Clock().PeekTime(), second + 1'800'000);
}

TEST_F(EncoderStream, StopWithoutFramesLeavesAHeaderOnlyFileAndTheSizeStays) {
  ASSERT_EQ(StartAll(), S_OK);
  EXPECT_EQ(CurrentSize().load(), 512);
  ASSERT_EQ(StopAll(), S_OK);
  EXPECT_EQ(CurrentSize().load(), 512);
  const Bytes file = ReadFile(moviePath);
  ASSERT_EQ(file.size(), 512u);
  Bytes expected(512, 0);
  std::memcpy(expected.data(), "Tarn", 4);
  expected[5] = 2;  // 512, little-endian
  std::memcpy(expected.data() + 8, "MOVI", 4);
  expected[16] = 5;
  EXPECT_EQ(file, expected);
}

TEST_F(EncoderStream, EveryPreviewIsWhatTheHandheldShowsAndRecordsCarryTheirAppendix) {
  EncodeFrames(44, kWidth, kHeight);
  const auto movie = PlayMovie(moviePath);
  EXPECT_TRUE(movie.finished);
  EXPECT_TRUE(movie.endsCleanly);
  EXPECT_EQ(movie.headerLength, movie.fileSize);
  EXPECT_EQ(static_cast<std::uint64_t>(CurrentSize().load()), movie.fileSize);
  ASSERT_EQ(movie.records.size(), 44u);
  ASSERT_EQ(sink->pin.received.size(), 44u);
  for (std::size_t i = 0; i < movie.records.size(); ++i) {
    SCOPED_TRACE(i);
    const bool appendix = (i >= 25 && i <= 32) || (i >= 35 && i <= 42);
    EXPECT_EQ(movie.records[i].hasAppendix, appendix);
    if (appendix) {
      EXPECT_TRUE(movie.records[i].appendixValid);
    }
    EXPECT_EQ(sink->pin.received[i].pixels, movie.records[i].screen);
  }
}

// Whether the record decodes when its length word says `length`: a payload decodes under its
// own length and any longer one, never under a shorter one.
bool DecodesWithLength(Bytes record, int length) {
  record[0] = static_cast<std::uint8_t>(length);
  record[1] = static_cast<std::uint8_t>(length >> 8);
  std::vector<std::uint16_t> black(tarn::codec::kReferencePixels, 0), decoded(tarn::codec::kReferencePixels);
  return tarn::codec::DecodeFrame(record.data(), record.size(), black.data(), decoded.data()) ==
         tarn::codec::DecodeStatus::kOk;
}

TEST_F(EncoderStream, APayloadOf1200BytesIsStoredWithTheByteAfterItAndPlaysAsPreviewed) {
  // After the test picture, fourteen pixels of its ninth row in new colours code into exactly
  // 1200 bytes: a length word of 1200 would mark the other frame type, which players skip.
  const Bytes first = Rgb24Frame(kWidth, kHeight, 0);
  Bytes second = first;
  for (int x = 0; x < 14; ++x) {
    std::uint8_t* pixel = second.data() + static_cast<std::size_t>(8 * kWidth + x) * 3;
    pixel[0] = static_cast<std::uint8_t>(x * 39);
    pixel[1] = static_cast<std::uint8_t>(x * 91);
    pixel[2] = static_cast<std::uint8_t>(x * 53);
  }
  ASSERT_EQ(StartAll(), S_OK);
  ASSERT_EQ(source->Push(first, 1'000'000, 1'333'667), S_OK);
  ASSERT_EQ(source->Push(second, 2'000'000, 2'333'667), S_OK);
  ASSERT_EQ(StopAll(), S_OK);
  const auto movie = PlayMovie(moviePath);
  ASSERT_EQ(movie.records.size(), 2u);
  const Bytes& record = movie.records[1].record;
  ASSERT_TRUE(DecodesWithLength(record, 1200) && !DecodesWithLength(record, 1199))
      << "the second picture no longer codes into 1200 bytes; pick one that does";
  EXPECT_EQ(tarn::movie::ReadLe16(record.data()), 1201);
  EXPECT_EQ(sink->pin.received[1].pixels, movie.records[1].screen);
}

TEST_F(EncoderStream, TheRecordAfterEvery600thIsPredictedFromBlack) {
  EncodeFrames(602, kWidth, kHeight, /*still=*/true);
  const auto movie = PlayMovie(moviePath);
  ASSERT_EQ(movie.records.size(), 602u);
  // A still picture costs little, except right after the reset, which builds it up again.
  EXPECT_GT(movie.records[600].record.size(), 2 * movie.records[599].record.size());
  EXPECT_GT(movie.records[600].record.size(), 2 * movie.records[601].record.size());

  std::vector<std::uint16_t> black(tarn::codec::kReferencePixels, 0);
  std::vector<std::uint16_t> decoded(tarn::codec::kReferencePixels, 0);
  const Bytes& record = movie.records[600].record;
  ASSERT_EQ(tarn::codec::DecodeFrame(record.data(), record.size(), black.data(), decoded.data()),
            tarn::codec::DecodeStatus::kOk);
  Bytes fromBlack(tarn::codec::kRgbPictureBytes);
  tarn::codec::ReferenceToPreview(decoded.data(), fromBlack.data());
  EXPECT_EQ(fromBlack, movie.records[600].screen);
  EXPECT_EQ(sink->pin.received[600].pixels, movie.records[600].screen);
  EXPECT_EQ(sink->pin.received[601].pixels, movie.records[601].screen);
}

TEST_F(EncoderStream, Yuy2InputEncodesLikeItsRgb24Conversion) {
  constexpr int kW = 720;
  constexpr int kH = 480;
  auto run = [&](bool yuy2, const std::filesystem::path& file) {
    StopAll();
    source->pin.Disconnect();
    encoder->GetPin(0)->Disconnect();
    encoder->GetPin(1)->Disconnect();
    sink->pin.Disconnect();
    if (yuy2)
      UseInput(media_test::VideoType(MEDIASUBTYPE_YUY2, kW, kH, 16), kW * kH * 2);
    else
      UseRgb24Input(kW, kH);
    ConnectAll();
    WriteSettings({{"FileName", file.string()}});
    ASSERT_EQ(StartAll(), S_OK);
    for (int i = 0; i < 3; ++i) {
      Bytes frame = venc_test::Yuy2Frame(kW, kH, i);
      if (!yuy2) {
        Bytes rgb(static_cast<std::size_t>(kW) * kH * 3);
        tarn::codec::YuvToRgb(frame.data(), rgb.data(), kW, kH);
        frame = std::move(rgb);
      }
      ASSERT_EQ(source->Push(frame, 1'000'000 * (i + 1), 1'000'000 * (i + 1) + 1), S_OK);
    }
    ASSERT_EQ(StopAll(), S_OK);
  };
  run(true, folder.path() / "yuy2.tmv");
  const auto previews = sink->pin.received;
  run(false, folder.path() / "rgb.tmv");
  const Bytes fromYuy2 = ReadFile(folder.path() / "yuy2.tmv");
  EXPECT_GT(fromYuy2.size(), 512u + 3 * 158u);
  EXPECT_EQ(fromYuy2, ReadFile(folder.path() / "rgb.tmv"));
  const auto movie = PlayMovie(folder.path() / "yuy2.tmv");
  ASSERT_EQ(previews.size(), 3u);
  for (std::size_t i = 0; i < previews.size(); ++i) EXPECT_EQ(previews[i].pixels, movie.records[i].screen);
}

int LitColumns(const Bytes& preview) {
  int lit = 0;
  for (int x = 0; x < 240; ++x) {
    bool any = false;
    for (int y = 0; y < 160 && !any; ++y)
      for (int c = 0; c < 3; ++c) any = any || preview[(static_cast<std::size_t>(y) * 240 + x) * 3 + c] != 0;
    lit += any ? 1 : 0;
  }
  return lit;
}

TEST_F(EncoderStream, ReadsTheSettingsAtEveryStreamStart) {
  WriteSettings({{"ImageH", "30"}});
  EncodeFrames(1, kWidth, kHeight);
  const auto wide = PlayMovie(moviePath);

  const auto second = folder.path() / "second.tmv";
  WriteSettings({{"FileName", second.string()}, {"ImageH", "15"}});
  EncodeFrames(1, kWidth, kHeight);
  EXPECT_EQ(PlayMovie(moviePath).fileSize, wide.fileSize);  // the first file is left alone
  const auto narrow = PlayMovie(second);
  ASSERT_EQ(narrow.records.size(), 1u);
  EXPECT_LE(LitColumns(narrow.records[0].screen), 120);
  EXPECT_GT(LitColumns(wide.records[0].screen), 120);
}

TEST_F(EncoderStream, NonsenseSettingsReadAsTheirPresets) {
  const auto nonsense = folder.path() / "nonsense.tmv";
  WriteSettings({{"FileName", nonsense.string()},
                 {"Contrast", "abc"},
                 {"Brightness", ""},
                 {"Enhance", "x"},
                 {"S", "9"},
                 {"Mode", "z"},
                 {"ImageH", "zz"},
                 {"ImageV", "?"},
                 {"ChangeScale", "-"},
                 {"FullOut", "y"}});
  EncodeFrames(3, kWidth, kHeight);
  const auto plain = folder.path() / "plain.tmv";
  WriteSettings({{"FileName", plain.string()},
                 {"Contrast", "75"},
                 {"Brightness", "75"},
                 {"Enhance", "10"},
                 {"S", "1"},
                 {"Mode", "0"},
                 {"ImageH", "30"},
                 {"ImageV", "20"},
                 {"ChangeScale", "0"},
                 {"FullOut", "0"}});
  EncodeFrames(3, kWidth, kHeight);
  EXPECT_EQ(ReadFile(nonsense), ReadFile(plain));
}

TEST_F(EncoderStream, CopiesTheSampleProperties) {
  ASSERT_EQ(StartAll(), S_OK);
  venc_test::SampleFlags flags;
  flags.sync = false;
  flags.preroll = true;
  flags.discontinuity = true;
  flags.mediaTimes = std::make_pair(LONGLONG{40}, LONGLONG{41});
  ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 0), 1'000'000, 1'333'667, flags), S_OK);
  ASSERT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 1), 2'000'000, 2'333'667), S_OK);
  ASSERT_EQ(sink->pin.received.size(), 2u);
  const auto& odd = sink->pin.received[0];
  EXPECT_EQ(odd.timeResult, S_OK);
  EXPECT_EQ(odd.start, 1'000'000);
  EXPECT_EQ(odd.stop, 1'333'667);
  EXPECT_FALSE(odd.sync);
  EXPECT_TRUE(odd.preroll);
  EXPECT_TRUE(odd.discontinuity);
  EXPECT_TRUE(odd.hasMediaTimes);
  EXPECT_EQ(odd.mediaStart, 40);
  EXPECT_EQ(odd.mediaStop, 41);
  EXPECT_EQ(odd.length, 115'200);
  ASSERT_TRUE(odd.type.has_value());
  EXPECT_TRUE(*odd.type == tarn::venc::MakePreviewType());
  const auto& plain = sink->pin.received[1];
  EXPECT_TRUE(plain.sync);
  EXPECT_FALSE(plain.preroll);
  EXPECT_FALSE(plain.discontinuity);
  EXPECT_FALSE(plain.hasMediaTimes);
}

// A sample whose sync-point answer is neither yes nor no.
class UnsureSample final : public CMediaSample {
 public:
  UnsureSample(BYTE* buffer, LONG length) : CMediaSample(nullptr, buffer, length) {}
  HRESULT IsSyncPoint() override { return E_NOTIMPL; }
};

TEST_F(EncoderStream, RejectsBadSamplesDirectly) {
  ASSERT_EQ(StartAll(), S_OK);
  Bytes input = Rgb24Frame(kWidth, kHeight, 0);
  Bytes output(153'600);
  ComPtr<IMediaSample> in(new CMediaSample(nullptr, input.data(), static_cast<LONG>(input.size())));
  ComPtr<IMediaSample> out(new CMediaSample(nullptr, output.data(), static_cast<LONG>(output.size())));
  EXPECT_EQ(encoder->Transform(nullptr, out.Get()), E_POINTER);
  EXPECT_EQ(encoder->Transform(in.Get(), nullptr), E_POINTER);

  // Too small for the connected picture size: refused before anything is written.
  ComPtr<IMediaSample> shortIn(new CMediaSample(nullptr, input.data(), static_cast<LONG>(input.size() - 1)));
  EXPECT_EQ(encoder->Transform(shortIn.Get(), out.Get()), E_INVALIDARG);
  ComPtr<IMediaSample> shortOut(new CMediaSample(nullptr, output.data(), 115'199));
  EXPECT_EQ(encoder->Transform(in.Get(), shortOut.Get()), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(CurrentSize().load(), 512);

  // An unsure property answer ends the step after the record is written and counted.
  ComPtr<IMediaSample> unsure(new UnsureSample(input.data(), static_cast<LONG>(input.size())));
  EXPECT_EQ(encoder->Transform(unsure.Get(), out.Get()), E_UNEXPECTED);
  EXPECT_GT(CurrentSize().load(), 512);
  ASSERT_EQ(StopAll(), S_OK);
  EXPECT_EQ(PlayMovie(moviePath).records.size(), 1u);
}

TEST_F(EncoderStream, TypesAskedAboutWhileStreamingDoNotChangeHowSamplesAreRead) {
  ASSERT_EQ(StartAll(), S_OK);
  const CMediaType larger = media_test::VideoType(MEDIASUBTYPE_YUY2, 720, 480, 16);
  EXPECT_EQ(encoder->GetPin(0)->QueryAccept(&larger), S_OK);
  EXPECT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, 0), 1'000'000, 1'000'001), S_OK);
  ASSERT_EQ(StopAll(), S_OK);
  EXPECT_EQ(PlayMovie(moviePath).records.size(), 1u);
}

TEST_F(EncoderStream, AnOutputFolderThatCannotBeWrittenKeepsTheGraphStopped) {
  WriteSettings({{"FileName", (folder.path() / "missing" / "out.tmv").string()}});
  EXPECT_EQ(StartAll(), HRESULT_FROM_WIN32(ENOENT));
  EXPECT_TRUE(encoder->IsStopped());

  std::ofstream(folder.path() / "plain-file") << "x";
  WriteSettings({{"FileName", (folder.path() / "plain-file" / "out.tmv").string()}});
  EXPECT_EQ(StartAll(), HRESULT_FROM_WIN32(ENOTDIR));
  EXPECT_TRUE(encoder->IsStopped());

  if (::geteuid() != 0) {  // the superuser writes anywhere
    const auto locked = folder.path() / "locked";
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    WriteSettings({{"FileName", (locked / "out.tmv").string()}});
    EXPECT_EQ(StartAll(), HRESULT_FROM_WIN32(EACCES));
    EXPECT_TRUE(encoder->IsStopped());
    ::chmod(locked.c_str(), 0700);
  }

  // Once the name is good the same filter starts.
  WriteSettings({});
  EXPECT_EQ(StartAll(), S_OK);
  EXPECT_EQ(StopAll(), S_OK);
  EXPECT_EQ(std::filesystem::file_size(moviePath), 512u);
}

TEST_F(EncoderStream, AFullDiskFailsTheRecordAndCountsNothing) {
  WriteSettings({{"FileName", "/dev/full"}});
  ASSERT_EQ(StartAll(), S_OK);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(source->Push(Rgb24Frame(kWidth, kHeight, i), 1'000'000 * (i + 1), 1'000'000 * (i + 1) + 1),
              HRESULT_FROM_WIN32(ENOSPC));
  EXPECT_EQ(CurrentSize().load(), 512);
  EXPECT_TRUE(sink->pin.received.empty());
  // Nor can the header be written.
  EXPECT_EQ(StopAll(), HRESULT_FROM_WIN32(ENOSPC));
}

TEST_F(EncoderStream, AFileSizeLimitCutsTheMovieAtTheLastWholeRecord) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child writes under a 20,000-byte limit and reports how many records went in.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20'000, 20'000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    if (StartAll() != S_OK) ::_exit(200);
    int written = 0;
    HRESULT hr = S_OK;
    for (; written < 100; ++written) {
      hr = source->Push(Rgb24Frame(kWidth, kHeight, written * 5), 1'000'000 * (written + 1),
                        1'000'000 * (written + 1) + 1);
      if (hr != S_OK) break;
    }
    const bool limitReported = hr == HRESULT_FROM_WIN32(EFBIG);
    const bool countKept = CurrentSize().load() == static_cast<std::int32_t>(std::filesystem::file_size(moviePath));
    if (StopAll() != S_OK || !limitReported || !countKept) ::_exit(201);
    ::_exit(written);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const int written = WEXITSTATUS(status);
  ASSERT_GT(written, 0);
  ASSERT_LT(written, 100);
  const auto movie = PlayMovie(moviePath);
  EXPECT_TRUE(movie.finished);
  EXPECT_TRUE(movie.endsCleanly);
  EXPECT_EQ(movie.headerLength, movie.fileSize);
  EXPECT_EQ(movie.records.size(), static_cast<std::size_t>(written));
}

}  // namespace
