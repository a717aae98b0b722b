#include "media/base/MemAllocator.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

constexpr std::int64_t kMaxPoolBytes = std::int64_t{1} << 31;

bool IsPowerOfTwo(LONG value) { return value > 0 && (value & (value - 1)) == 0; }

}  // namespace

CMemAllocator::CMemAllocator(const wchar_t* name, IUnknown* outer) : CUnknown(name, outer) {}

CMemAllocator::~CMemAllocator() {
  // Every sample holds a reference to us while it is out, so all are back.
  FreeBuffers();
}

HRESULT CMemAllocator::Create(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  auto* object = new (std::nothrow) CMemAllocator();
  if (object == nullptr) return E_OUTOFMEMORY;
  object->NonDelegatingAddRef();
  *allocator = object;
  return S_OK;
}

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (riid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (!AllReturned()) return VFW_E_BUFFERS_OUTSTANDING;
  if (!IsPowerOfTwo(request->cbAlign)) return VFW_E_BADALIGN;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) return E_INVALIDARG;

  std::int64_t stride = std::int64_t{request->cbBuffer} + request->cbPrefix;
  stride = (stride + request->cbAlign - 1) / request->cbAlign * request->cbAlign;
  if (stride * std::max<LONG>(request->cBuffers, 1) > kMaxPoolBytes) return E_OUTOFMEMORY;

  props_ = *request;
  props_.cbBuffer = static_cast<LONG>(stride - request->cbPrefix);
  sizeSet_ = true;
  *actual = props_;
  return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (props == nullptr) return E_POINTER;
  std::lock_guard lock(mutex_);
  *props = props_;
  return S_OK;
}

HRESULT CMemAllocator::Commit() {
  std::lock_guard lock(mutex_);
  if (committed_) return S_OK;
  if (!sizeSet_ || props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  if (decommitPending_) {
    // Samples from before the decommit are still out; keep the pool.
    decommitPending_ = false;
    committed_ = true;
    return S_OK;
  }
  HRESULT hr = AllocateBuffers();
  if (SUCCEEDED(hr)) committed_ = true;
  return hr;
}

HRESULT CMemAllocator::AllocateBuffers() {
  // The pool only changes while all samples are home (SetProperties refuses otherwise).
  if (memory_ != nullptr) return S_OK;
  const std::size_t stride = static_cast<std::size_t>(props_.cbBuffer) + props_.cbPrefix;
  const std::size_t count = static_cast<std::size_t>(props_.cBuffers);
  const std::size_t align = static_cast<std::size_t>(props_.cbAlign);
  try {
    memory_ = std::make_unique<BYTE[]>(stride * count + align);
    samples_.reserve(count);
    free_.reserve(count);
  } catch (const std::bad_alloc&) {
    FreeBuffers();
    return E_OUTOFMEMORY;
  }
  auto base = reinterpret_cast<std::uintptr_t>(memory_.get());
  std::uintptr_t aligned = (base + props_.cbPrefix + align - 1) / align * align;
  BYTE* first = memory_.get() + (aligned - base);
  for (std::size_t i = 0; i < count; ++i) {
    BYTE* buffer = first + i * stride;
    auto sample = std::unique_ptr<CMediaSample>(new (std::nothrow) CMediaSample(this, buffer, props_.cbBuffer));
    if (sample == nullptr) {
      FreeBuffers();
      return E_OUTOFMEMORY;
    }
    free_.push_back(sample.get());
    samples_.push_back(std::move(sample));
  }
  return S_OK;
}

void CMemAllocator::FreeBuffers() {
  free_.clear();
  samples_.clear();
  memory_.reset();
}

HRESULT CMemAllocator::Decommit() {
  {
    std::lock_guard lock(mutex_);
    if (!committed_) return S_OK;
    committed_ = false;
    if (AllReturned())
      FreeBuffers();
    else
      decommitPending_ = true;
  }
  bufferFree_.notify_all();
  return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* /*start*/, REFERENCE_TIME* /*stop*/,
                                 DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  CMediaSample* taken = nullptr;
  {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!committed_) return VFW_E_NOT_COMMITTED;
      if (!free_.empty()) break;
      if ((flags & AM_GBF_NOWAIT) != 0) return VFW_E_TIMEOUT;
      bufferFree_.wait(lock);
    }
    taken = free_.back();
    free_.pop_back();
  }
  // Balanced in ReleaseBuffer: the allocator outlives its samples.
  AddRef();
  taken->AddRef();
  *sample = taken;
  return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(samples_.begin(), samples_.end(), [sample](const auto& own) { return own.get() == sample; });
    if (it == samples_.end()) return E_INVALIDARG;
    free_.push_back(it->get());
    if (decommitPending_ && AllReturned()) {
      decommitPending_ = false;
      FreeBuffers();
    }
  }
  bufferFree_.notify_one();
  Release();
  return S_OK;
}
