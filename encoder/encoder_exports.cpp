// The exports of libtarnvenc.so: the self-registering server entry points of its one class,
// the video encoder filter, and CurentSize, which the converter polls for the bytes written.
#include <cstdint>

#include "encoder/encoder_process_state.h"
#include "encoder/video_encoder_filter.h"
#include "encoder/video_encoder_ids.h"
#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/FilterLibrary.h"

namespace {

using tarn::venc::kPreviewSubtype;
using tarn::venc::kVideoEncoderClsid;
using tarn::venc::kVideoEncoderName;

const AMOVIESETUP_MEDIATYPE kInputPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_MEDIATYPE kOutputPinTypes[] = {{&MEDIATYPE_Video, &kPreviewSubtype}};

const AMOVIESETUP_PIN kPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kInputPinTypes},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kOutputPinTypes},
};

// Merit "do not use": the graph never brings the filter in by itself; it joins a path only
// when the application has put it into the graph.
const AMOVIESETUP_FILTER kFilterSetup = {&kVideoEncoderClsid, kVideoEncoderName, MERIT_DO_NOT_USE, 2, kPins};

const CFactoryTemplate kTemplates[] = {
    {kVideoEncoderName, &kVideoEncoderClsid, &tarn::venc::VideoEncoderFilter::CreateInstance, nullptr, &kFilterSetup},
};

}  // namespace

TARN_FILTER_LIBRARY(kTemplates)

TARN_EXPORT std::int32_t CurentSize() { return tarn::venc::CurrentSize().load(std::memory_order_relaxed); }
