// AudioEncoderFilter: "Tarn Audio Encoder for DVD", the filter that writes the sound file
// that goes with a movie file.
//
// It takes 16-bit PCM of any rate and channel count (asking for 48 kHz stereo first), writes
// the sound file named in the settings file's section "AudioOut" and hands the PCM on
// unchanged to its output pin, so the graph ends the audio path at a renderer as usual.
//
// The sound file follows the stream times: it starts at time 0, the start time of the first
// picture of a play run, and runs to the end of the segment when the segment says how long it
// is (else to the end of the audio). Audio before 0 is dropped, gaps are filled with silence,
// overlaps are cut (see StreamTimeline). The file is finished with its header when streaming
// stops. Failures come back as HRESULTs; nothing is printed.
#pragma once

#include "media/base/TransformFilter.h"
#include "tarnaud/sound_encoder.h"
#include "formats/sound_file_writer.h"
#include "tarnaud/sound_settings.h"
#include "tarnaud/stream_timeline.h"

namespace tarn::aud {

class AudioEncoderFilter final : public CTransformFilter {
 public:
  // The class factory's creation function: E_OUTOFMEMORY through `phr` and no object when
  // memory runs out.
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  explicit AudioEncoderFilter(IUnknown* outer);
  ~AudioEncoderFilter() override;

  HRESULT CheckInputType(const CMediaType* in) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  // The output offers exactly the input's type.
  HRESULT GetMediaType(int position, CMediaType* mediaType) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* mediaType) override;

  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;

  // Encodes the sample into the sound file, then passes its PCM downstream.
  HRESULT Receive(IMediaSample* sample) override;
  // Completes the sound to the segment's end before passing the end on.
  HRESULT EndOfStream() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  HRESULT EncodeSample(IMediaSample* sample);
  HRESULT PassDownstream(IMediaSample* sample);
  // Writes what the resampler holds and pads to the known end; once per stream.
  HRESULT CompleteSound(bool playedOut);
  void PublishSize();
  void ReportWriteFailure(int error);

  PcmFormat connectedInput_ = kDefaultInput;
  static constexpr PcmFormat kDefaultInput{48'000, 2};

  // Per stream: set up by StartStreaming, finished by StopStreaming.
  SoundSettings settings_;
  SoundLayout layout_;
  SoundFileWriter file_;
  SoundEncoder encoder_;
  StreamTimeline timeline_;
  HRESULT streamError_ = S_OK;  // the first write failure; later samples report it too
  bool soundComplete_ = false;  // end of stream came: later samples are not encoded
  bool outputTypeChanged_ = false;
};

}  // namespace tarn::aud
