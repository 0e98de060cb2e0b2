// A read-only IStream over a bundle file's bytes. It shares the bytes instead of copying
// them, and keeps them alive for as long as the runtime holds the stream, which may be well
// after the request event has returned. The runtime reads it on a background thread: the
// stream is free-threaded (agile, with the free-threaded marshaler), so that its reads are
// direct calls instead of calls queued behind the user-interface thread. That is safe because
// the bytes never change and each stream (or clone) has its own position, used by one reader.
#pragma once

#include <atomic>
#include <memory>

#include "browser/webview2/ComPtr.h"
#include "browser/webview2/WebView2Sdk.h"
#include "base/Bytes.h"

namespace vantreel::webview2 {

class TBytesStream final : public IStream {
 public:
  static TComPtr<IStream> Create(std::shared_ptr<const TBytes> bytes);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

 private:
  TBytesStream(std::shared_ptr<const TBytes> bytes, std::size_t position);
  ~TBytesStream();

  std::atomic<ULONG> FRefCount{1};
  // The free-threaded marshaler, aggregated with this stream as its outer object.
  IUnknown* FMarshaler = nullptr;
  std::shared_ptr<const TBytes> FBytes;
  std::size_t FPosition;
};

}  // namespace vantreel::webview2
