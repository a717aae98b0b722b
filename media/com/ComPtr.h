// ComPtr: owns one reference to a COM-style interface.
#pragma once

#include "media/com/Unknown.h"

#include <utility>

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p (AddRef).
  explicit ComPtr(T* p) : p_(p) { AddRefHeld(); }
  ComPtr(const ComPtr& other) : p_(other.p_) { AddRefHeld(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) {
    if (this != &other) {
      T* old = p_;
      p_ = other.p_;
      AddRefHeld();
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts a reference the caller already owns (no AddRef).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives up ownership without Release.
  [[nodiscard]] T* Detach() { return std::exchange(p_, nullptr); }

  void Reset() {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out parameters: releases what is held and returns the slot.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }
  void** ReleaseAndGetAddressOfVoid() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  // Hands a new reference to an out parameter.
  HRESULT CopyTo(T** out) const {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (out == nullptr) return E_POINTER;
    if (p_ == nullptr) {
      out->Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(U::kIid, out->ReleaseAndGetAddressOfVoid());
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  void AddRefHeld() {
    if (p_) p_->AddRef();
  }

  T* p_ = nullptr;
};
