// A tiny filter library for the registry tests: one pass-through transform
// filter, registered and created like any real filter library.
#include "media/base/TransformFilter.h"
#include "media/com/ClassFactory.h"
#include "media/dshow/FilterSetup.h"
#include "media/registry/FilterLibrary.h"

#include "test_filter_ids.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

class PassThroughFilter final : public CTransformFilter {
 public:
  explicit PassThroughFilter(IUnknown* outer) : CTransformFilter(L"Pass-through", outer, kTestFilterClsid) {}

  static CUnknown* Create(IUnknown* outer, HRESULT* /*phr*/) { return new (std::nothrow) PassThroughFilter(outer); }

  HRESULT CheckInputType(const CMediaType* in) override {
    return *in->Type() == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
    return *in->Subtype() == *out->Subtype() ? S_OK : E_FAIL;
  }
  HRESULT GetMediaType(int position, CMediaType* mediaType) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *mediaType = InputPin()->CurrentMediaType();
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    request->cBuffers = 1;
    request->cbBuffer = 4096;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(request, &actual);
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    const LONG length = std::min(in->GetActualDataLength(), out->GetSize());
    std::memcpy(to, from, static_cast<std::size_t>(length));
    return out->SetActualDataLength(length);
  }
};

const AMOVIESETUP_MEDIATYPE kPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_PIN kPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPinTypes},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPinTypes},
};
const AMOVIESETUP_FILTER kSetup = {&kTestFilterClsid, kTestFilterName, MERIT_DO_NOT_USE, 2, kPins};
const CFactoryTemplate kTemplates[] = {
    {kTestFilterName, &kTestFilterClsid, &PassThroughFilter::Create, nullptr, &kSetup},
};

}  // namespace

TARN_FILTER_LIBRARY(kTemplates)
