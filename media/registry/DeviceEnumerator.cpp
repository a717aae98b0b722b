#include "media/registry/DeviceEnumerator.h"

#include "media/com/ComPtr.h"
#include "media/dshow/MediaType.h"
#include "media/registry/ComRuntime.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <string_view>

// ---- VARIANT ----

BSTR SysAllocString(const wchar_t* text) {
  if (text == nullptr) return nullptr;
  const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<BSTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) std::memcpy(copy, text, bytes);
  return copy;
}

void SysFreeString(BSTR text) { CoTaskMemFree(text); }

void VariantInit(VARIANT* variant) {
  if (variant != nullptr) *variant = VARIANT{};
}

HRESULT VariantClear(VARIANT* variant) {
  if (variant == nullptr) return E_POINTER;
  if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
  *variant = VARIANT{};
  return S_OK;
}

// ---- device enumerator ----

CSystemDeviceEnum::CSystemDeviceEnum(IUnknown* outer) : CUnknown(L"System device enumerator", outer) {}

CUnknown* CSystemDeviceEnum::CreateInstance(IUnknown* outer, HRESULT* /*phr*/) {
  return new (std::nothrow) CSystemDeviceEnum(outer);
}

HRESULT CSystemDeviceEnum::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_ICreateDevEnum) return GetInterface(static_cast<ICreateDevEnum*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CSystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD /*flags*/) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  std::vector<tarn::media::RegisteredClass> classes;
  HRESULT hr = tarn::media::FilterRegistry().Load(&classes);
  if (FAILED(hr)) return hr;
  auto entries = std::make_shared<CEnumFilterMonikers::Entries>();
  for (auto& entry : classes)
    if (entry.filter && entry.filter->category == category) entries->push_back(std::move(entry));
  if (entries->empty()) return S_FALSE;
  auto* object = new (std::nothrow) CEnumFilterMonikers(std::move(entries));
  if (object == nullptr) return E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  *enumerator = object;
  return S_OK;
}

// ---- moniker enumerator ----

CEnumFilterMonikers::CEnumFilterMonikers(std::shared_ptr<const Entries> entries, std::size_t position)
    : CUnknown(L"Filter moniker enumerator", nullptr), entries_(std::move(entries)), position_(position) {}

HRESULT CEnumFilterMonikers::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IEnumMoniker) return GetInterface(static_cast<IEnumMoniker*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CEnumFilterMonikers::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
  if (monikers == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  ULONG got = 0;
  while (got < count && position_ < entries_->size()) {
    auto* moniker = new (std::nothrow) CFilterMoniker((*entries_)[position_]);
    if (moniker == nullptr) break;
    moniker->NonDelegatingAddRef();
    monikers[got++] = moniker;
    ++position_;
  }
  if (fetched != nullptr) *fetched = got;
  return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumFilterMonikers::Skip(ULONG count) {
  const std::size_t left = entries_->size() - position_;
  if (count > left) {
    position_ = entries_->size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT CEnumFilterMonikers::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT CEnumFilterMonikers::Clone(IEnumMoniker** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  auto* object = new (std::nothrow) CEnumFilterMonikers(entries_, position_);
  if (object == nullptr) return E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  *enumerator = object;
  return S_OK;
}

// ---- moniker ----

CFilterMoniker::CFilterMoniker(tarn::media::RegisteredClass entry)
    : CUnknown(L"Filter moniker", nullptr), entry_(std::move(entry)) {}

HRESULT CFilterMoniker::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMoniker) return GetInterface(static_cast<IMoniker*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFilterMoniker::BindToObject(IBindCtx* /*context*/, IMoniker* /*left*/, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (entry_.libraryPath.empty()) return REGDB_E_CLASSNOTREG;
  ComPtr<IClassFactory> factory;
  HRESULT hr = tarn::media::GetClassObjectFromLibrary(entry_.libraryPath, entry_.clsid, IID_IClassFactory,
                                                      factory.ReleaseAndGetAddressOfVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, riid, ppv);
}

HRESULT CFilterMoniker::BindToStorage(IBindCtx* /*context*/, IMoniker* /*left*/, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IPropertyBag) return E_NOINTERFACE;
  auto* bag = new (std::nothrow) CFilterPropertyBag(entry_);
  if (bag == nullptr) return E_OUTOFMEMORY;
  bag->NonDelegatingAddRef();
  HRESULT hr = bag->NonDelegatingQueryInterface(riid, ppv);
  bag->NonDelegatingRelease();
  return hr;
}

HRESULT CFilterMoniker::GetDisplayName(IBindCtx* /*context*/, IMoniker* /*left*/, LPOLESTR* name) {
  if (name == nullptr) return E_POINTER;
  std::wstring text = L"@device:sw:" + GuidToWideString(entry_.filter ? entry_.filter->category : GUID_NULL) + L"\\" +
                      GuidToWideString(entry_.clsid);
  *name = SysAllocString(text.c_str());
  return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

// ---- property bag ----

CFilterPropertyBag::CFilterPropertyBag(const tarn::media::RegisteredClass& entry)
    : CUnknown(L"Filter property bag", nullptr),
      friendlyName_(entry.filter ? entry.filter->friendlyName : entry.className),
      clsid_(GuidToWideString(entry.clsid)) {}

HRESULT CFilterPropertyBag::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IPropertyBag) return GetInterface(static_cast<IPropertyBag*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFilterPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog* /*log*/) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  const std::wstring* text = nullptr;
  std::wstring_view wanted(name);
  if (wanted == L"FriendlyName")
    text = &friendlyName_;
  else if (wanted == L"CLSID")
    text = &clsid_;
  else
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  VariantClear(value);
  value->bstrVal = SysAllocString(text->c_str());
  if (value->bstrVal == nullptr) return E_OUTOFMEMORY;
  value->vt = VT_BSTR;
  return S_OK;
}

HRESULT CFilterPropertyBag::Write(LPCOLESTR /*name*/, VARIANT* /*value*/) { return E_ACCESSDENIED; }
