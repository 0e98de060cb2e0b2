// A COM interface pointer that owns one reference. Ours rather than WRL's, which MinGW lacks.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace vantreel::webview2 {

template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(std::nullptr_t) {}
  // Takes a new reference on `p`.
  explicit TComPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(const TComPtr& other) : TComPtr(other.FPtr) {}
  TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr other) noexcept {
    std::swap(FPtr, other.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }

  // Adopts a reference that the caller already holds (a fresh object's first reference).
  static TComPtr Adopt(T* p) {
    TComPtr result;
    result.FPtr = p;
    return result;
  }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // For out-parameters: releases what is held and gives the slot.
  T** Put() {
    Reset();
    return &FPtr;
  }
  void Reset() {
    if (FPtr) std::exchange(FPtr, nullptr)->Release();
  }
  // Hands the reference to the caller (an out-parameter of a COM method of ours).
  T* Detach() { return std::exchange(FPtr, nullptr); }

  // QueryInterface for U; empty when the object does not offer it.
  template <typename U>
  TComPtr<U> As() const {
    TComPtr<U> result;
    if (FPtr) FPtr->QueryInterface(__uuidof(U), reinterpret_cast<void**>(result.Put()));
    return result;
  }

 private:
  T* FPtr = nullptr;
};

}  // namespace vantreel::webview2
