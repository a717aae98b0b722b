// The graph tests' filter library: registered into a private registry and
// loaded by the graph builder through its class factory like any other.
#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/FilterLibrary.h"

#include "graph_test_filters.h"
#include "graph_test_ids.h"

#include <new>

namespace {

using namespace graph_test;

template <const CLSID& kClsid, const wchar_t* kName, const GUID& kIn, const GUID& kOut>
CUnknown* CreateConverter(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) TestTransform(kName, kClsid, kIn, kOut, outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

CUnknown* CreateRenderer(IUnknown* outer, HRESULT* phr) {
  auto* filter = new (std::nothrow) TestRenderer(kYuy2RendererName, kYuy2RendererClsid, MEDIASUBTYPE_YUY2, outer);
  if (filter == nullptr && phr != nullptr) *phr = E_OUTOFMEMORY;
  return filter;
}

const AMOVIESETUP_MEDIATYPE kRgb24[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_MEDIATYPE kRgb565[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB565}};
const AMOVIESETUP_MEDIATYPE kRgb32[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}};
const AMOVIESETUP_MEDIATYPE kYuy2[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}};
const AMOVIESETUP_MEDIATYPE kUyvy[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_UYVY}};

const AMOVIESETUP_PIN kRgb24ToYuy2Pins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kRgb24},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kYuy2},
};
const AMOVIESETUP_PIN kRgb565ToYuy2Pins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kRgb565},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kYuy2},
};
const AMOVIESETUP_PIN kRgb32ToUyvyPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kRgb32},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kUyvy},
};
const AMOVIESETUP_PIN kYuy2CopyPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kYuy2},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kYuy2},
};
const AMOVIESETUP_PIN kRendererPins[] = {
    {L"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kYuy2},
};

const AMOVIESETUP_FILTER kRgb24ToYuy2Setup = {&kRgb24ToYuy2Clsid, kRgb24ToYuy2Name, MERIT_NORMAL, 2, kRgb24ToYuy2Pins};
const AMOVIESETUP_FILTER kRgb565ToYuy2Setup = {&kRgb565ToYuy2Clsid, kRgb565ToYuy2Name, MERIT_DO_NOT_USE, 2,
                                               kRgb565ToYuy2Pins};
const AMOVIESETUP_FILTER kRgb32ToUyvySetup = {&kRgb32ToUyvyClsid, kRgb32ToUyvyName, MERIT_NORMAL, 2, kRgb32ToUyvyPins};
const AMOVIESETUP_FILTER kRendererSetup = {&kYuy2RendererClsid, kYuy2RendererName, MERIT_NORMAL, 1, kRendererPins};
const AMOVIESETUP_FILTER kYuy2CopySetup = {&kYuy2CopyClsid, kYuy2CopyName, MERIT_DO_NOT_USE, 2, kYuy2CopyPins};

const CFactoryTemplate kTemplates[] = {
    {kRgb24ToYuy2Name, &kRgb24ToYuy2Clsid,
     &CreateConverter<kRgb24ToYuy2Clsid, kRgb24ToYuy2Name, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2>, nullptr,
     &kRgb24ToYuy2Setup},
    {kRgb565ToYuy2Name, &kRgb565ToYuy2Clsid,
     &CreateConverter<kRgb565ToYuy2Clsid, kRgb565ToYuy2Name, MEDIASUBTYPE_RGB565, MEDIASUBTYPE_YUY2>, nullptr,
     &kRgb565ToYuy2Setup},
    {kRgb32ToUyvyName, &kRgb32ToUyvyClsid,
     &CreateConverter<kRgb32ToUyvyClsid, kRgb32ToUyvyName, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_UYVY>, nullptr,
     &kRgb32ToUyvySetup},
    {kYuy2RendererName, &kYuy2RendererClsid, &CreateRenderer, nullptr, &kRendererSetup},
    {kYuy2CopyName, &kYuy2CopyClsid,
     &CreateConverter<kYuy2CopyClsid, kYuy2CopyName, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_YUY2>, nullptr, &kYuy2CopySetup},
};

}  // namespace

TARN_FILTER_LIBRARY(kTemplates)
