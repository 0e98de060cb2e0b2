// Completion and event handlers of WebView2 without WRL: an IUnknown with an atomic count
// whose Invoke forwards to a std::function. The runtime holds a handler for as long as it
// may call it, so a handler's function must not outlive what it captures: callers capture a
// shared state or revoke the event before they go.
#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include "browser/webview2/ComPtr.h"
#include "browser/webview2/WebView2Sdk.h"

namespace vantreel::webview2 {

template <typename Interface, typename... Args>
class TComHandlerImpl final : public Interface {
 public:
  using TFunction = std::function<HRESULT(Args...)>;
  explicit TComHandlerImpl(TFunction function) : FFunction(std::move(function)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(Interface) || iid == __uuidof(IUnknown)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --FRefCount;
    if (count == 0) delete this;
    return count;
  }
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return FFunction ? FFunction(args...) : S_OK; }

 private:
  ~TComHandlerImpl() = default;
  std::atomic<ULONG> FRefCount{1};
  TFunction FFunction;
};

namespace detail {
template <typename Interface, typename Method>
struct THandlerFor;
template <typename Interface, typename... Args>
struct THandlerFor<Interface, HRESULT (STDMETHODCALLTYPE Interface::*)(Args...)> {
  using Type = TComHandlerImpl<Interface, Args...>;
};
}  // namespace detail

// The handler class for a WebView2 handler interface, its Invoke's parameters deduced.
template <typename Interface>
using TComHandler = typename detail::THandlerFor<Interface, decltype(&Interface::Invoke)>::Type;

template <typename Interface, typename Function>
TComPtr<Interface> MakeHandler(Function&& function) {
  return TComPtr<Interface>::Adopt(new TComHandler<Interface>(std::forward<Function>(function)));
}

}  // namespace vantreel::webview2
