#include "browser/webview2/BytesStream.h"

#include <algorithm>
#include <cstring>

namespace vantreel::webview2 {

TComPtr<IStream> TBytesStream::Create(std::shared_ptr<const TBytes> bytes) {
  if (!bytes) bytes = std::make_shared<const TBytes>();
  return TComPtr<IStream>::Adopt(new TBytesStream(std::move(bytes), 0));
}

TBytesStream::TBytesStream(std::shared_ptr<const TBytes> bytes, std::size_t position)
    : FBytes(std::move(bytes)), FPosition(position) {
  // Without it the stream still works, marshalled the standard way.
  if (FAILED(CoCreateFreeThreadedMarshaler(static_cast<IStream*>(this), &FMarshaler))) FMarshaler = nullptr;
}

TBytesStream::~TBytesStream() {
  if (FMarshaler != nullptr) FMarshaler->Release();
}

HRESULT TBytesStream::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // IAgileObject adds nothing to IUnknown: our IUnknown serves for it.
  if (iid == IID_IStream || iid == IID_ISequentialStream || iid == IID_IUnknown || iid == IID_IAgileObject) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  if (iid == IID_IMarshal && FMarshaler != nullptr) return FMarshaler->QueryInterface(iid, object);
  return E_NOINTERFACE;
}

ULONG TBytesStream::Release() {
  const ULONG count = --FRefCount;
  if (count == 0) delete this;
  return count;
}

HRESULT TBytesStream::Read(void* buffer, ULONG size, ULONG* read) {
  if (buffer == nullptr && size > 0) return STG_E_INVALIDPOINTER;
  const std::size_t available = FBytes->size() - std::min(FPosition, FBytes->size());
  const std::size_t count = std::min<std::size_t>(size, available);
  if (count > 0) std::memcpy(buffer, FBytes->data() + FPosition, count);
  FPosition += count;
  if (read != nullptr) *read = static_cast<ULONG>(count);
  // S_FALSE tells a reader that asked for more than was left that the end has come.
  return count == size ? S_OK : S_FALSE;
}

HRESULT TBytesStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  LONGLONG base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(FPosition); break;
    case STREAM_SEEK_END: base = static_cast<LONGLONG>(FBytes->size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  const LONGLONG target = base + move.QuadPart;
  if (target < 0) return STG_E_INVALIDFUNCTION;
  FPosition = static_cast<std::size_t>(target);
  if (position != nullptr) position->QuadPart = static_cast<ULONGLONG>(target);
  return S_OK;
}

HRESULT TBytesStream::CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                             ULARGE_INTEGER* written) {
  if (target == nullptr) return STG_E_INVALIDPOINTER;
  const std::size_t available = FBytes->size() - std::min(FPosition, FBytes->size());
  const auto count = static_cast<std::size_t>(std::min<ULONGLONG>(size.QuadPart, available));
  ULONG done = 0;
  HRESULT hr = S_OK;
  if (count > 0) hr = target->Write(FBytes->data() + FPosition, static_cast<ULONG>(count), &done);
  FPosition += done;
  if (read != nullptr) read->QuadPart = done;
  if (written != nullptr) written->QuadPart = done;
  return hr;
}

HRESULT TBytesStream::Stat(STATSTG* stat, DWORD /*flags*/) {
  if (stat == nullptr) return STG_E_INVALIDPOINTER;
  std::memset(stat, 0, sizeof *stat);
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = FBytes->size();
  stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
  return S_OK;
}

HRESULT TBytesStream::Clone(IStream** clone) {
  if (clone == nullptr) return STG_E_INVALIDPOINTER;
  *clone = new TBytesStream(FBytes, FPosition);  // free-threaded as well
  return S_OK;
}

}  // namespace vantreel::webview2
