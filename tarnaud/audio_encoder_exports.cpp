// The exports of libtarnaud.so: the self-registering server entry points of its one class,
// the audio encoder filter, CurrentSize, which the converter polls for the bytes written, and
// EndSound, with which it ends a stopped segment's sound where its movie ends.
#include <cerrno>
#include <cstdint>

#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/FilterLibrary.h"
#include "tarnaud/audio_encoder_filter.h"
#include "tarnaud/audio_encoder_ids.h"
#include "tarnaud/audio_process_state.h"
#include "tarnaud/sound_end.h"

namespace {

using tarn::aud::kAudioEncoderClsid;
using tarn::aud::kAudioEncoderName;

const AMOVIESETUP_MEDIATYPE kPcmTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

const AMOVIESETUP_PIN kPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmTypes},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmTypes},
};

// Merit "do not use": the graph never brings the filter in by itself; it joins the audio
// path only when the application has put it into the graph.
const AMOVIESETUP_FILTER kFilterSetup = {&kAudioEncoderClsid, kAudioEncoderName, MERIT_DO_NOT_USE, 2, kPins};

const CFactoryTemplate kTemplates[] = {
    {kAudioEncoderName, &kAudioEncoderClsid, &tarn::aud::AudioEncoderFilter::CreateInstance, nullptr, &kFilterSetup},
};

}  // namespace

TARN_FILTER_LIBRARY(kTemplates)

TARN_EXPORT std::int32_t CurrentSize() { return tarn::aud::SoundBytesWritten().load(std::memory_order_relaxed); }

// Cuts the finished sound file `path` to `length` (100 ns units): 0 or an errno value.
TARN_EXPORT int EndSound(const char* path, std::int64_t length) {
  return path != nullptr ? tarn::aud::EndSoundFile(path, length) : EINVAL;
}
