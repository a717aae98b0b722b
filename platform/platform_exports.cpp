// The exports of libtarnplatform.so: the self-registering server entry points
// of its filters. Registration puts each filter into the filter category
// under its friendly name with the merit the graph builder chooses by.
#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/FilterLibrary.h"
#include "platform/acm_wrapper_filter.h"
#include "platform/audio_decoder_filter.h"
#include "platform/audio_renderer.h"
#include "platform/desktop_audio_renderer.h"
#include "platform/file_description.h"
#include "platform/file_source_filter.h"
#include "platform/mpeg_video_decoder.h"
#include "platform/null_renderer.h"
#include "platform/platform_ids.h"
#include "platform/video_renderer.h"

namespace {

using namespace tarn::platform;

const AMOVIESETUP_MEDIATYPE kAnyType[] = {{&GUID_NULL, &GUID_NULL}};
const AMOVIESETUP_MEDIATYPE kVideoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
                                             {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}};
const AMOVIESETUP_MEDIATYPE kPcmType[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

// ---- file source ----
const AMOVIESETUP_PIN kFileSourcePins[] = {
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 2, kVideoTypes},
    {L"Audio", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmType},
};
// A source is added by the application, never brought in to render a pin.
const AMOVIESETUP_FILTER kFileSourceSetup = {&kFileSourceClsid, kFileSourceName, MERIT_UNLIKELY, 2, kFileSourcePins};

// ---- renderers ----
const AMOVIESETUP_PIN kNullRendererPins[] = {
    {L"In", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAnyType},
};
// Only when the application puts it into the graph.
const AMOVIESETUP_FILTER kNullRendererSetup = {&kNullRendererClsid, kNullRendererName, MERIT_DO_NOT_USE, 1,
                                               kNullRendererPins};

const AMOVIESETUP_PIN kVideoRendererPins[] = {
    {L"In", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 2, kVideoTypes},
};
const AMOVIESETUP_FILTER kVideoRendererSetup = {&kVideoRendererClsid, kVideoRendererName, MERIT_PREFERRED + 1, 1,
                                                kVideoRendererPins};

const AMOVIESETUP_PIN kAudioRendererPins[] = {
    {L"In", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmType},
};
const AMOVIESETUP_FILTER kAudioRendererSetup = {&kAudioRendererClsid, kAudioRendererName, MERIT_PREFERRED, 1,
                                                kAudioRendererPins};

// Plays through the sound server; only the preview graph puts it in, so that the graph builder
// never brings it into a conversion.
const AMOVIESETUP_FILTER kDesktopAudioRendererSetup = {&kDesktopAudioRendererClsid, kDesktopAudioRendererName,
                                                       MERIT_DO_NOT_USE, 1, kAudioRendererPins};

// ---- decoders and the PCM format filter ----
const AMOVIESETUP_MEDIATYPE kMpegVideoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO},
                                                 {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Payload},
                                                 {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Packet},
                                                 {&MEDIATYPE_MPEG2_PES, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kSubpictureTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_DVD_SUBPICTURE},
                                                  {&MEDIATYPE_MPEG2_PES, &MEDIASUBTYPE_DVD_SUBPICTURE}};
const AMOVIESETUP_PIN kMpegVideoPins[] = {
    {L"XForm In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 4, kMpegVideoTypes},
    {L"XForm Out", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 2, kVideoTypes},
    {L"Subpicture", FALSE, FALSE, TRUE, FALSE, &CLSID_NULL, nullptr, 2, kSubpictureTypes},
};
// Above the graph's other choices for MPEG video, as a DVD decoder is installed to be.
const AMOVIESETUP_FILTER kMpegVideoSetup = {&kMpegVideoDecoderClsid, kMpegVideoDecoderName, MERIT_PREFERRED, 3,
                                            kMpegVideoPins};

const AMOVIESETUP_MEDIATYPE kCompressedAudioTypes[] = {
    {&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3},         {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG2_AUDIO},
    {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1AudioPayload}, {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1Payload},
    {&MEDIATYPE_Audio, &MEDIASUBTYPE_DVD_LPCM_AUDIO},    {&MEDIATYPE_MPEG2_PES, &MEDIASUBTYPE_DOLBY_AC3},
    {&MEDIATYPE_MPEG2_PES, &MEDIASUBTYPE_MPEG2_AUDIO},   {&MEDIATYPE_MPEG2_PES, &MEDIASUBTYPE_DVD_LPCM_AUDIO}};
const AMOVIESETUP_PIN kAudioDecoderPins[] = {
    {L"XForm In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 8, kCompressedAudioTypes},
    {L"XForm Out", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmType},
};
const AMOVIESETUP_FILTER kAudioDecoderSetup = {&kAudioDecoderClsid, kAudioDecoderName, MERIT_NORMAL, 2,
                                               kAudioDecoderPins};

const AMOVIESETUP_PIN kAcmWrapperPins[] = {
    {L"XForm In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmType},
    {L"XForm Out", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPcmType},
};
// Found when the application adds it; the graph does not put a format filter between two
// pins that already agree.
const AMOVIESETUP_FILTER kAcmWrapperSetup = {&kAcmWrapperClsid, kAcmWrapperName, MERIT_DO_NOT_USE + 1, 2,
                                             kAcmWrapperPins};

const CFactoryTemplate kTemplates[] = {
    {kFileSourceName, &kFileSourceClsid, &FileSourceFilter::CreateInstance, nullptr, &kFileSourceSetup},
    {kNullRendererName, &kNullRendererClsid, &NullRenderer::CreateInstance, nullptr, &kNullRendererSetup},
    {kVideoRendererName, &kVideoRendererClsid, &VideoRenderer::CreateInstance, nullptr, &kVideoRendererSetup},
    {kAudioRendererName, &kAudioRendererClsid, &AudioRenderer::CreateInstance, nullptr, &kAudioRendererSetup},
    {kDesktopAudioRendererName, &kDesktopAudioRendererClsid, &DesktopAudioRenderer::CreateInstance, nullptr,
     &kDesktopAudioRendererSetup},
    {kMpegVideoDecoderName, &kMpegVideoDecoderClsid, &MpegVideoDecoder::CreateInstance, nullptr, &kMpegVideoSetup},
    {kAudioDecoderName, &kAudioDecoderClsid, &AudioDecoderFilter::CreateInstance, nullptr, &kAudioDecoderSetup},
    {kAcmWrapperName, &kAcmWrapperClsid, &AcmWrapperFilter::CreateInstance, nullptr, &kAcmWrapperSetup},
};

}  // namespace

// The filters report failures as HRESULTs: once a host creates one of them FFmpeg is kept quiet.
TARN_FILTER_LIBRARY_WITH_SETUP(kTemplates, KeepFfmpegQuiet)
