// The exports of libtarnnavigator.so: the server entry points of the DVD navigator, which
// registration puts into the filter category as "DVD Navigator".
#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/dshow/MediaTypeGuids.h"
#include "media/registry/FilterLibrary.h"
#include "platform/navigator/dvd_navigator.h"
#include "platform/navigator/navigator_ids.h"

namespace {

using namespace tarn::navigator;

const AMOVIESETUP_MEDIATYPE kVideoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const AMOVIESETUP_MEDIATYPE kAudioTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3},
                                             {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG2_AUDIO},
                                             {&MEDIATYPE_Audio, &MEDIASUBTYPE_DVD_LPCM_AUDIO}};
const AMOVIESETUP_MEDIATYPE kSubpictureTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_DVD_SUBPICTURE}};
const AMOVIESETUP_PIN kPins[] = {
    {L"Video", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideoTypes},
    {L"AC3", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 3, kAudioTypes},
    {L"SubPicture", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kSubpictureTypes},
};
// A source is added by the application, never brought in to render a pin.
const AMOVIESETUP_FILTER kSetup = {&kDvdNavigatorClsid, kDvdNavigatorName, MERIT_DO_NOT_USE, 3, kPins};

const CFactoryTemplate kTemplates[] = {
    {kDvdNavigatorName, &kDvdNavigatorClsid, &DvdNavigator::CreateInstance, nullptr, &kSetup},
};

}  // namespace

TARN_FILTER_LIBRARY(kTemplates)
