// The audio decoder on AC-3, MPEG audio and DVD LPCM made with ffmpeg, against
// FFmpeg's own decoding; the ACM wrapper's pass-through and conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/encoder_test_support.h"
#include "platform/acm_wrapper_filter.h"
#include "platform/audio_decoder_filter.h"
#include "platform/av_handles.h"
#include "platform/media_formats.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;
using tarn::platform::AcmWrapperFilter;
using tarn::platform::AudioDecoderFilter;
using tarn::platform::MakePcmType;
using tarn::platform::PcmFormat;

CMediaType CompressedAudioType(const GUID& subtype, WORD channels, DWORD rate) {
  WAVEFORMATEX wave;
  wave.nChannels = channels;
  wave.nSamplesPerSec = rate;
  CMediaType type(&MEDIATYPE_Audio);
  type.SetSubtype(&subtype);
  type.SetFormatType(&FORMAT_WaveFormatEx);
  type.SetFormat(reinterpret_cast<const BYTE*>(&wave), sizeof(wave));
  return type;
}

std::vector<std::int16_t> AsSamples(const Bytes& bytes) {
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Sign changes of one channel: twice the tone's frequency per second of signal.
int ZeroCrossings(const std::vector<std::int16_t>& samples, int channels, int channel) {
  int crossings = 0;
  for (std::size_t i = static_cast<std::size_t>(channel + channels); i < samples.size();
       i += static_cast<std::size_t>(channels))
    if ((samples[i - static_cast<std::size_t>(channels)] < 0) != (samples[i] < 0)) ++crossings;
  return crossings;
}

// One filter between a pushing source and a capture renderer.
class AudioChain {
 public:
  AudioChain(IBaseFilter* filter, const CMediaType& inputType, LONG bufferSize) : filter_(filter) {
    source_->pin.type = inputType;
    source_->pin.bufferSize = bufferSize;
    EXPECT_EQ(Connect(source_.Get(), L"Out", filter, L"In"), S_OK);
    EXPECT_EQ(Connect(filter, L"Out", capture_.Get(), L"In"), S_OK);
    EXPECT_EQ(StartAll(*graph_.Get(), {source_.Get(), filter, capture_.Get()}), S_OK);
  }
  ~AudioChain() {
    StopAll({source_.Get(), filter_, capture_.Get()});
    DisconnectAll({source_.Get(), filter_, capture_.Get()});
  }
  HRESULT Push(const Bytes& bytes, std::optional<REFERENCE_TIME> start = std::nullopt) {
    return source_->Push(bytes, start, start ? std::optional<REFERENCE_TIME>(*start + 1) : std::nullopt);
  }
  // Pushes in pieces, the first one timed at 0, then ends the stream.
  void PushAll(const Bytes& bytes, std::size_t piece) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
      const Bytes part(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), offset + piece)));
      EXPECT_EQ(Push(part, offset == 0 ? std::optional<REFERENCE_TIME>(0) : std::nullopt), S_OK);
    }
    End();
  }
  void End() {
    source_->pin.DeliverEndOfStream();
    EXPECT_TRUE(WaitForCompletion(*graph_.Get(), 10));
  }
  // Delivers `bytes` in a sample that carries a new media type, as a source does when its
  // stream changes codec.
  HRESULT PushWithType(const Bytes& bytes, const CMediaType& type, REFERENCE_TIME start) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = source_->pin.GetDeliveryBuffer(sample.ReleaseAndGetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    REFERENCE_TIME stop = start + 1;
    sample->SetTime(&start, &stop);
    CMediaType changed(type);
    sample->SetMediaType(&changed);
    return source_->pin.Deliver(sample.Get());
  }
  CaptureRenderer& Capture() { return *capture_.Get(); }

 private:
  IBaseFilter* filter_;
  ComPtr<venc_test::PictureSource> source_{new venc_test::PictureSource};
  ComPtr<CaptureRenderer> capture_{new CaptureRenderer};
  ComPtr<media_test::EventRecorder> graph_{new media_test::EventRecorder};
};

class AudioDecoderTest : public ::testing::Test {
 protected:
  // Decodes `file` pushed in pieces and checks it against ffmpeg's decoding to 16-bit stereo.
  void ExpectDecodedAsFfmpeg(const std::string& file, const GUID& subtype) {
    ASSERT_TRUE(Ffmpeg(dir_.path(), "-i " + file + " -f s16le -ac 2 -ar 48000 ref.pcm"));
    const auto reference = AsSamples(ReadFile(dir_.path() / "ref.pcm"));
    ComPtr<AudioDecoderFilter> decoder(new AudioDecoderFilter(nullptr));
    Bytes pcm;
    {
      AudioChain chain(decoder.Get(), CompressedAudioType(subtype, 2, 48000), 1000);
      chain.PushAll(ReadFile(dir_.path() / file), 1000);
      EXPECT_EQ(tarn::platform::PcmFormatOf(chain.Capture().Type()), (PcmFormat{2, 48000, 16}));
      pcm = chain.Capture().AllBytes();
      const auto samples = chain.Capture().Samples();
      ASSERT_FALSE(samples.empty());
      EXPECT_EQ(samples.front().start, 0);
      for (std::size_t i = 1; i < samples.size(); ++i) EXPECT_EQ(samples[i].start, samples[i - 1].stop);
    }
    const auto decoded = AsSamples(pcm);
    ASSERT_EQ(decoded.size(), reference.size());
    int worst = 0;
    for (std::size_t i = 0; i < decoded.size(); ++i) worst = std::max(worst, std::abs(decoded[i] - reference[i]));
    EXPECT_LE(worst, 1);
  }

  media_test::TempDir dir_;
};

TEST_F(AudioDecoderTest, Ac3DecodesAsFfmpegDecodesIt) {
  ASSERT_TRUE(
      Ffmpeg(dir_.path(), "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=1 -ac 2 -c:a ac3 tone.ac3"));
  ExpectDecodedAsFfmpeg("tone.ac3", MEDIASUBTYPE_DOLBY_AC3);
}

TEST_F(AudioDecoderTest, MpegAudioDecodesAsFfmpegDecodesIt) {
  ASSERT_TRUE(
      Ffmpeg(dir_.path(), "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=1 -ac 2 -c:a mp2 tone.mp2"));
  ExpectDecodedAsFfmpeg("tone.mp2", MEDIASUBTYPE_MPEG2_AUDIO);
}

TEST_F(AudioDecoderTest, DvdLpcmPacketsGiveTheOriginalSamples) {
  ASSERT_TRUE(
      Ffmpeg(dir_.path(), "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=1 -ac 2 -f s16le tone.pcm"));
  ASSERT_TRUE(Ffmpeg(dir_.path(), "-f s16le -ar 48000 -ac 2 -i tone.pcm -c:a pcm_dvd -f vob tone.vob"));
  const auto original = AsSamples(ReadFile(dir_.path() / "tone.pcm"));

  // The packets as a program stream demuxer hands them.
  AVFormatContext* opened = nullptr;
  ASSERT_EQ(avformat_open_input(&opened, (dir_.path() / "tone.vob").c_str(), nullptr, nullptr), 0);
  tarn::platform::FormatContextPtr format(opened);
  tarn::platform::PacketPtr packet(av_packet_alloc());
  ComPtr<AudioDecoderFilter> decoder(new AudioDecoderFilter(nullptr));
  Bytes pcm;
  {
    AudioChain chain(decoder.Get(), CompressedAudioType(MEDIASUBTYPE_DVD_LPCM_AUDIO, 2, 48000), 8192);
    bool first = true;
    while (av_read_frame(format.get(), packet.get()) == 0) {
      EXPECT_EQ(chain.Push(Bytes(packet->data, packet->data + packet->size),
                           first ? std::optional<REFERENCE_TIME>(0) : std::nullopt),
                S_OK);
      first = false;
      av_packet_unref(packet.get());
    }
    chain.End();
    pcm = chain.Capture().AllBytes();
  }
  EXPECT_EQ(AsSamples(pcm), original);
}

// A later DVD title in another codec: the first sample in it carries the new type, the decoder
// reopens for it, and the output keeps the format it was connected with.
TEST_F(AudioDecoderTest, ASampleWithANewCodecSwitchesTheDecoderAndKeepsTheOutputFormat) {
  ASSERT_TRUE(
      Ffmpeg(dir_.path(), "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=1 -ac 2 -c:a mp2 first.mp2"));
  ASSERT_TRUE(Ffmpeg(
      dir_.path(), "-f lavfi -i sine=frequency=500:sample_rate=48000:duration=1 -ac 2 -c:a pcm_dvd -f vob second.vob"));
  AVFormatContext* opened = nullptr;
  ASSERT_EQ(avformat_open_input(&opened, (dir_.path() / "second.vob").c_str(), nullptr, nullptr), 0);
  tarn::platform::FormatContextPtr format(opened);
  tarn::platform::PacketPtr packet(av_packet_alloc());

  ComPtr<AudioDecoderFilter> decoder(new AudioDecoderFilter(nullptr));
  std::vector<std::int16_t> decoded;
  {
    AudioChain chain(decoder.Get(), CompressedAudioType(MEDIASUBTYPE_MPEG2_AUDIO, 2, 48000), 8192);
    const Bytes mp2 = ReadFile(dir_.path() / "first.mp2");
    for (std::size_t offset = 0; offset < mp2.size(); offset += 1000)
      EXPECT_EQ(chain.Push(Bytes(mp2.begin() + static_cast<std::ptrdiff_t>(offset),
                                 mp2.begin() + static_cast<std::ptrdiff_t>(std::min(mp2.size(), offset + 1000))),
                           offset == 0 ? std::optional<REFERENCE_TIME>(0) : std::nullopt),
                S_OK);
    bool first = true;
    while (av_read_frame(format.get(), packet.get()) == 0) {
      const Bytes bytes(packet->data, packet->data + packet->size);
      EXPECT_EQ(first ? chain.PushWithType(bytes, CompressedAudioType(MEDIASUBTYPE_DVD_LPCM_AUDIO, 2, 48000), UNITS)
                      : chain.Push(bytes),
                S_OK);
      first = false;
      av_packet_unref(packet.get());
    }
    chain.End();
    EXPECT_EQ(tarn::platform::PcmFormatOf(chain.Capture().Type()), (PcmFormat{2, 48000, 16}));
    decoded = AsSamples(chain.Capture().AllBytes());
  }
  // Both seconds, the first at 1 kHz and the second at 500 Hz (the MPEG decoder's delay shifts
  // the seam by a few milliseconds, so each half is measured away from it).
  ASSERT_NEAR(static_cast<double>(decoded.size()) / 2, 96000, 2000);
  const std::vector<std::int16_t> early(decoded.begin() + 9600, decoded.begin() + 86400);
  const std::vector<std::int16_t> late(decoded.end() - 86400, decoded.end() - 9600);
  EXPECT_NEAR(ZeroCrossings(early, 2, 0), 1000 * 0.8 * 2, 8);
  EXPECT_NEAR(ZeroCrossings(late, 2, 0), 500 * 0.8 * 2, 8);
}

TEST(AcmWrapperTest, EqualFormatsPassThroughAndOthersAreResampled) {
  media_test::TempDir dir;
  // 44.1 kHz mono 16-bit, a 1 kHz tone for one second.
  std::vector<std::int16_t> tone(44100);
  for (std::size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 44100.0));
  Bytes input(tone.size() * 2);
  std::memcpy(input.data(), tone.data(), input.size());
  const CMediaType inputType = MakePcmType(PcmFormat{1, 44100, 16});

  {
    ComPtr<AcmWrapperFilter> wrapper(new AcmWrapperFilter(nullptr));
    AudioChain chain(wrapper.Get(), inputType, 4410);
    EXPECT_TRUE(wrapper->PassesThrough());
    chain.PushAll(input, 4410);
    EXPECT_EQ(chain.Capture().AllBytes(), input);
  }
  {
    // A renderer that takes only 48 kHz stereo: the wrapper's offered formats include it.
    ComPtr<AcmWrapperFilter> wrapper(new AcmWrapperFilter(nullptr));
    ComPtr<venc_test::PictureSource> source(new venc_test::PictureSource);
    source->pin.type = inputType;
    source->pin.bufferSize = 4410;
    ComPtr<CaptureRenderer> capture(new CaptureRenderer);
    ComPtr<media_test::EventRecorder> graph(new media_test::EventRecorder);
    ASSERT_EQ(Connect(source.Get(), L"Out", wrapper.Get(), L"In"), S_OK);
    const CMediaType wanted = MakePcmType(PcmFormat{2, 48000, 16});
    ComPtr<IPin> out;
    ComPtr<IPin> in;
    wrapper->FindPin(L"Out", out.ReleaseAndGetAddressOf());
    capture->FindPin(L"In", in.ReleaseAndGetAddressOf());
    ASSERT_EQ(out->Connect(in.Get(), &wanted), S_OK);
    EXPECT_FALSE(wrapper->PassesThrough());
    ASSERT_EQ(StartAll(*graph.Get(), {source.Get(), wrapper.Get(), capture.Get()}), S_OK);
    for (std::size_t offset = 0; offset < input.size(); offset += 4410)
      source->Push(Bytes(input.begin() + static_cast<std::ptrdiff_t>(offset),
                         input.begin() + static_cast<std::ptrdiff_t>(std::min(input.size(), offset + 4410))),
                   static_cast<REFERENCE_TIME>(offset / 2) * UNITS / 44100, std::nullopt);
    source->pin.DeliverEndOfStream();
    EXPECT_TRUE(WaitForCompletion(*graph.Get(), 10));
    const auto converted = AsSamples(capture->AllBytes());
    StopAll({source.Get(), wrapper.Get(), capture.Get()});
    DisconnectAll({source.Get(), wrapper.Get(), capture.Get()});

    // One second of 48 kHz stereo, both channels the same 1 kHz tone, as loud as the mono one
    // (libswresample's own matrix would put it in 3 dB lower).
    EXPECT_NEAR(static_cast<double>(converted.size()) / 2, 48000, 48);
    EXPECT_NEAR(ZeroCrossings(converted, 2, 0), 2000, 4);
    for (std::size_t i = 0; i + 1 < converted.size(); i += 2) ASSERT_EQ(converted[i], converted[i + 1]);
    int peak = 0;
    for (std::size_t i = 9600; i + 9600 < converted.size(); ++i) peak = std::max(peak, std::abs(int{converted[i]}));
    EXPECT_NEAR(peak, 8000, 80);
  }
}

}  // namespace
