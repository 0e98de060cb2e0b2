// A test-only WebView2Loader.dll: the SDK loader's exports, answered by COM objects on the
// SDK's own header whose work is done by a headless Chromium on the Linux side (relay.py),
// reached over loopback TCP. The relay's address is in WebView2Loader.standin beside this DLL:
// a file, because the client clears every WEBVIEW2_* variable before it creates anything.
//
// Threading follows the runtime's reference: every completion and event reaches the client on
// the thread that created the environment, posted through its message queue, never inside
// the client's own call; response streams are read on a background thread.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "NotImplBases.h"
#include "browser/webview2/ComPtr.h"
#include "json/JsonReader.h"
#include "json/JsonWriter.h"

using vantreel::AppendJsonString;
using vantreel::webview2::TComPtr;
namespace fake = vantreel::webview2::fake;

namespace {

HMODULE ThisModule = nullptr;

// --- text --------------------------------------------------------------------------------

std::string Narrow(const wchar_t* text) {
  if (text == nullptr || *text == 0) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

HRESULT PutString(const std::string& value, LPWSTR* out) {
  if (out == nullptr) return E_POINTER;
  const std::wstring wide = Widen(value);
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((wide.size() + 1) * sizeof(wchar_t)));
  if (copy == nullptr) return E_OUTOFMEMORY;
  std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  *out = copy;
  return S_OK;
}

std::string Quote(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == '%' || c == 0x7f) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Unquote(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 0 && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(Unquote(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::string Field(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string();
}

UINT64 ToNumber(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 10); }

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::vector<unsigned char>& data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::uint32_t n = (data[i] << 16) | ((i + 1 < data.size() ? data[i + 1] : 0) << 8) |
                            (i + 2 < data.size() ? data[i + 2] : 0);
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += i + 1 < data.size() ? kBase64[(n >> 6) & 63] : '=';
    out += i + 2 < data.size() ? kBase64[n & 63] : '=';
  }
  return out;
}

std::vector<unsigned char> Unbase64(const std::string& text) {
  static const std::vector<int> table = [] {
    std::vector<int> t(256, -1);
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kBase64[i])] = i;
    return t;
  }();
  std::vector<unsigned char> out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (unsigned char c : text) {
    if (table[c] < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(table[c]);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<unsigned char>((bits >> count) & 0xff));
    }
  }
  return out;
}

std::string JsonQuote(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

// The string a JSON text holds, when the whole text is one string literal.
bool JsonStringValue(const std::string& json, std::string& value) {
  vantreel::TJsonDocument document;
  if (!document.Parse(json) || !document.Root().Is(vantreel::TJsonKind::String)) return false;
  value = document.Root().Text();
  return true;
}

// --- the UI thread's queue -------------------------------------------------------------------

constexpr UINT kRunQueued = WM_APP + 17;

// Runs functions on the thread that made it, from that thread's message loop.
class TUiQueue {
 public:
  TUiQueue() {
    static const bool registered = [] {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.lpfnWndProc = &TUiQueue::WindowProc;
      windowClass.hInstance = ThisModule;
      windowClass.lpszClassName = L"VantreelStandinQueue";
      return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
    FWindow = CreateWindowExW(0, L"VantreelStandinQueue", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule, nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TUiQueue() {
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }

  void Post(std::function<void()> function) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FQueue.push_back(std::move(function));
    }
    PostMessageW(FWindow, kRunQueued, 0, 0);
  }

 private:
  void RunQueued() {
    while (true) {
      std::function<void()> next;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FQueue.empty()) return;
        next = std::move(FQueue.front());
        FQueue.pop_front();
      }
      next();
    }
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunQueued) {
      if (auto* self = reinterpret_cast<TUiQueue*>(GetWindowLongPtrW(window, GWLP_USERDATA))) self->RunQueued();
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND FWindow = nullptr;
  std::mutex FMutex;
  std::deque<std::function<void()>> FQueue;
};

// --- the link to the relay -------------------------------------------------------------------

struct TFrame {
  int Width = 0;
  int Height = 0;
  std::vector<unsigned char> Pixels;  // 32-bit BGRA, top-down
};

std::wstring ConfigPath() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(ThisModule, path, static_cast<DWORD>(std::size(path)));
  std::wstring text(path);
  const std::size_t slash = text.find_last_of(L"\\/");
  return text.substr(0, slash + 1) + L"WebView2Loader.standin";
}

SOCKET ConnectToRelay() {
  std::ifstream config{std::filesystem::path(ConfigPath())};
  std::string address;
  if (!config || !std::getline(config, address)) return INVALID_SOCKET;
  const std::size_t colon = address.rfind(':');
  if (colon == std::string::npos) return INVALID_SOCKET;
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return INVALID_SOCKET;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(static_cast<u_short>(std::stoi(address.substr(colon + 1))));
  inet_pton(AF_INET, address.substr(0, colon).c_str(), &where.sin_addr);
  if (connect(s, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  BOOL noDelay = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  return s;
}

// Decodes a screencast frame (PNG) with WIC, on the reading thread.
bool DecodeFrame(const std::vector<unsigned char>& png, TFrame& frame) {
  TComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Put()))))
    return false;
  TComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.Put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))))
    return false;
  TComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put())))
    return false;
  TComPtr<IWICBitmapFrameDecode> source;
  if (FAILED(decoder->GetFrame(0, source.Put()))) return false;
  TComPtr<IWICBitmapSource> converted;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source.Get(), converted.Put()))) return false;
  UINT width = 0, height = 0;
  converted->GetSize(&width, &height);
  frame.Width = static_cast<int>(width);
  frame.Height = static_cast<int>(height);
  frame.Pixels.resize(static_cast<std::size_t>(width) * height * 4);
  return SUCCEEDED(converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(frame.Pixels.size()), frame.Pixels.data()));
}

class TLink : public std::enable_shared_from_this<TLink> {
 public:
  using TLineHandler = std::function<void(const std::vector<std::string>&)>;
  using TFrameHandler = std::function<void(std::shared_ptr<TFrame>)>;

  TLink(SOCKET s, std::shared_ptr<TUiQueue> queue) : FSocket(s), FQueue(std::move(queue)) {}
  ~TLink() { Stop(); }

  void Start(TLineHandler onLine, TFrameHandler onFrame) {
    FOnLine = std::move(onLine);
    FOnFrame = std::move(onFrame);
    std::weak_ptr<TLink> weak = shared_from_this();
    struct TArgs {
      std::weak_ptr<TLink> Weak;
      SOCKET Socket;
      std::shared_ptr<TUiQueue> Queue;
    };
    FReader = CreateThread(
        nullptr, 0,
        [](void* context) -> DWORD {
          std::unique_ptr<TArgs> args(static_cast<TArgs*>(context));
          Read(args->Weak, args->Socket, args->Queue);
          return 0;
        },
        new TArgs{weak, FSocket, FQueue}, 0, &FReaderId);
  }

  void Stop() {
    if (FSocket != INVALID_SOCKET) {
      shutdown(FSocket, SD_BOTH);
      if (FReader != nullptr) {
        if (FReaderId != GetCurrentThreadId()) WaitForSingleObject(FReader, INFINITE);
        CloseHandle(FReader);
        FReader = nullptr;
      }
      closesocket(FSocket);
      FSocket = INVALID_SOCKET;
    }
  }

  void Send(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) line += '\t';
      line += Quote(fields[i]);
    }
    line += '\n';
    std::lock_guard<std::mutex> lock(FSendMutex);
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0 && FSocket != INVALID_SOCKET) {
      const int sent = send(FSocket, data, static_cast<int>(std::min<std::size_t>(left, 1 << 20)), 0);
      if (sent <= 0) break;
      data += sent;
      left -= static_cast<std::size_t>(sent);
    }
  }

  std::shared_ptr<TUiQueue> Queue() const { return FQueue; }

 private:
  static void Read(std::weak_ptr<TLink> weak, SOCKET s, std::shared_ptr<TUiQueue> queue) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::string buffer;
    std::vector<char> chunk(1 << 16);
    while (true) {
      const int got = recv(s, chunk.data(), static_cast<int>(chunk.size()), 0);
      if (got <= 0) break;
      buffer.append(chunk.data(), static_cast<std::size_t>(got));
      std::size_t start = 0;
      for (std::size_t end; (end = buffer.find('\n', start)) != std::string::npos; start = end + 1) {
        std::vector<std::string> fields = SplitFields(buffer.substr(start, end - start));
        if (fields[0] == "frame") {
          auto frame = std::make_shared<TFrame>();
          if (DecodeFrame(Unbase64(Field(fields, 1)), *frame))
            queue->Post([weak, frame] {
              if (auto link = weak.lock(); link && link->FOnFrame) link->FOnFrame(frame);
            });
        } else {
          queue->Post([weak, fields = std::move(fields)] {
            if (auto link = weak.lock(); link && link->FOnLine) link->FOnLine(fields);
          });
        }
      }
      buffer.erase(0, start);
    }
    queue->Post([weak] {
      if (auto link = weak.lock(); link && link->FOnLine) link->FOnLine({"lost"});
    });
    CoUninitialize();
  }

  SOCKET FSocket;
  std::shared_ptr<TUiQueue> FQueue;
  std::mutex FSendMutex;
  HANDLE FReader = nullptr;
  DWORD FReaderId = 0;
  TLineHandler FOnLine;
  TFrameHandler FOnFrame;
};

// --- COM plumbing ------------------------------------------------------------------------------

template <typename Base, typename... Offered>
class TCom : public Base {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown)) *object = static_cast<IUnknown*>(static_cast<Base*>(this));
    ((iid == __uuidof(Offered) ? (*object = static_cast<Offered*>(this), 0) : 0), ...);
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --FRefCount;
    if (count == 0) delete this;
    return count;
  }

 protected:
  virtual ~TCom() = default;

 private:
  std::atomic<ULONG> FRefCount{1};
};

template <typename T, typename... Args>
TComPtr<T> Make(Args&&... args) {
  return TComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

// Handlers of one event, raised on the UI thread from a copy (a handler may remove itself).
template <typename Handler>
class TEvent {
 public:
  HRESULT Add(Handler* handler, EventRegistrationToken* token) {
    if (handler == nullptr || token == nullptr) return E_POINTER;
    token->value = ++FNext;
    FHandlers.emplace_back(token->value, TComPtr<Handler>(handler));
    return S_OK;
  }
  HRESULT Remove(EventRegistrationToken token) {
    for (auto it = FHandlers.begin(); it != FHandlers.end(); ++it)
      if (it->first == token.value) {
        FHandlers.erase(it);
        break;
      }
    return S_OK;
  }
  template <typename... Args>
  void Raise(Args... args) {
    auto handlers = FHandlers;
    for (auto& entry : handlers) entry.second->Invoke(args...);
  }
  void Clear() { FHandlers.clear(); }

 private:
  std::int64_t FNext = 0;
  std::vector<std::pair<std::int64_t, TComPtr<Handler>>> FHandlers;
};

// --- event arguments -------------------------------------------------------------------------

class TNavigationStartingArgs final : public TCom<fake::NotImpl_ICoreWebView2NavigationStartingEventArgs,
                                                  ICoreWebView2NavigationStartingEventArgs> {
 public:
  TNavigationStartingArgs(std::string uri, UINT64 id) : FUri(std::move(uri)), FId(id) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(FUri, uri); }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override { *value = FALSE; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override { *value = FALSE; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { *cancel = Cancel; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { Cancel = cancel; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { *id = FId; return S_OK; }
  BOOL Cancel = FALSE;

 private:
  std::string FUri;
  UINT64 FId;
};

class TNavigationCompletedArgs final : public TCom<fake::NotImpl_ICoreWebView2NavigationCompletedEventArgs,
                                                   ICoreWebView2NavigationCompletedEventArgs> {
 public:
  TNavigationCompletedArgs(UINT64 id, bool success, COREWEBVIEW2_WEB_ERROR_STATUS status)
      : FId(id), FSuccess(success), FStatus(status) {}
  HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* value) override { *value = FSuccess; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override {
    *value = FStatus;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override { *id = FId; return S_OK; }

 private:
  UINT64 FId;
  BOOL FSuccess;
  COREWEBVIEW2_WEB_ERROR_STATUS FStatus;
};

class TRequest final : public TCom<fake::NotImpl_ICoreWebView2WebResourceRequest, ICoreWebView2WebResourceRequest> {
 public:
  TRequest(std::string uri, std::string method) : FUri(std::move(uri)), FMethod(std::move(method)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(FUri, uri); }
  HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override { return PutString(FMethod, method); }
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override { *content = nullptr; return S_OK; }

 private:
  std::string FUri, FMethod;
};

class TResponse final : public TCom<fake::NotImpl_ICoreWebView2WebResourceResponse, ICoreWebView2WebResourceResponse> {
 public:
  TResponse(IStream* content, int status, std::string reason, std::string headers)
      : Content(content), Status(status), Reason(std::move(reason)), Headers(std::move(headers)) {}
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
    *content = Content.Get();
    if (*content) (*content)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override { Content = TComPtr<IStream>(content); return S_OK; }
  HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override { *status = Status; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override { Status = status; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override { return PutString(Reason, reason); }
  HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override { Reason = Narrow(reason); return S_OK; }

  TComPtr<IStream> Content;
  int Status;
  std::string Reason;
  std::string Headers;
};

class TResourceRequestedArgs final : public TCom<fake::NotImpl_ICoreWebView2WebResourceRequestedEventArgs,
                                                 ICoreWebView2WebResourceRequestedEventArgs> {
 public:
  TResourceRequestedArgs(TComPtr<TRequest> request, COREWEBVIEW2_WEB_RESOURCE_CONTEXT context)
      : FRequest(std::move(request)), FContext(context) {}
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
    *request = FRequest.Get();
    (*request)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
    *response = Response.Get();
    if (*response) (*response)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    // Only responses that this runtime's environment made.
    TResponse* ours = dynamic_cast<TResponse*>(response);
    if (response != nullptr && ours == nullptr) return E_INVALIDARG;
    Response = TComPtr<TResponse>(ours);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
    *context = FContext;
    return S_OK;
  }
  TComPtr<TResponse> Response;

 private:
  TComPtr<TRequest> FRequest;
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT FContext;
};

class TWebMessageArgs final : public TCom<fake::NotImpl_ICoreWebView2WebMessageReceivedEventArgs,
                                          ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  TWebMessageArgs(std::string source, std::string json) : FSource(std::move(source)), FJson(std::move(json)) {}
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override { return PutString(FSource, source); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override { return PutString(FJson, json); }
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
    std::string text;
    if (!JsonStringValue(FJson, text)) {
      *value = nullptr;
      return E_INVALIDARG;
    }
    return PutString(text, value);
  }

 private:
  std::string FSource, FJson;
};

class TProcessFailedArgs final : public TCom<fake::NotImpl_ICoreWebView2ProcessFailedEventArgs,
                                             ICoreWebView2ProcessFailedEventArgs> {
 public:
  explicit TProcessFailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : FKind(kind) {}
  HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
    *kind = FKind;
    return S_OK;
  }

 private:
  COREWEBVIEW2_PROCESS_FAILED_KIND FKind;
};

class TNewWindowArgs final : public TCom<fake::NotImpl_ICoreWebView2NewWindowRequestedEventArgs,
                                         ICoreWebView2NewWindowRequestedEventArgs> {
 public:
  explicit TNewWindowArgs(std::string uri) : FUri(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return PutString(FUri, uri); }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override { Handled = handled; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { *handled = Handled; return S_OK; }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override { *value = FALSE; return S_OK; }
  BOOL Handled = FALSE;

 private:
  std::string FUri;
};

// --- settings ----------------------------------------------------------------------------------

class TSettings final : public TCom<fake::NotImpl_ICoreWebView2Settings6, ICoreWebView2Settings, ICoreWebView2Settings3,
                                    ICoreWebView2Settings4, ICoreWebView2Settings5, ICoreWebView2Settings6> {
 public:
  std::map<std::string, BOOL> Values;
  BOOL Get(const std::string& name) const { return Values.count(name) ? Values.at(name) : TRUE; }

#define STANDIN_SETTING(Name)                                                                        \
  HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override { *value = Get(#Name); return S_OK; } \
  HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override { Values[#Name] = value; return S_OK; }
  STANDIN_SETTING(IsScriptEnabled)
  STANDIN_SETTING(IsWebMessageEnabled)
  STANDIN_SETTING(AreDefaultScriptDialogsEnabled)
  STANDIN_SETTING(IsStatusBarEnabled)
  STANDIN_SETTING(AreDevToolsEnabled)
  STANDIN_SETTING(AreDefaultContextMenusEnabled)
  STANDIN_SETTING(AreHostObjectsAllowed)
  STANDIN_SETTING(IsZoomControlEnabled)
  STANDIN_SETTING(IsBuiltInErrorPageEnabled)
  STANDIN_SETTING(AreBrowserAcceleratorKeysEnabled)
  STANDIN_SETTING(IsPasswordAutosaveEnabled)
  STANDIN_SETTING(IsGeneralAutofillEnabled)
  STANDIN_SETTING(IsPinchZoomEnabled)
  STANDIN_SETTING(IsSwipeNavigationEnabled)
#undef STANDIN_SETTING
};

// --- the web view and its controller ---------------------------------------------------------

class TController;

class TWebView final : public TCom<fake::NotImpl_ICoreWebView2_18, ICoreWebView2, ICoreWebView2_4, ICoreWebView2_18> {
 public:
  TWebView(std::shared_ptr<TLink> link, TController* controller)
      : FLink(std::move(link)), FController(controller), FSettings(Make<TSettings>()) {}

  void Detach() {
    FController = nullptr;
    FClosed = true;
    FNavigationStarting.Clear();
    FFrameNavigationStarting.Clear();
    FNavigationCompleted.Clear();
    FWebMessage.Clear();
    FResource.Clear();
    FProcessFailed.Clear();
    FNewWindow.Clear();
    FPermission.Clear();
    FDownload.Clear();
    FExternalUri.Clear();
    FCalls.clear();
  }

  void OnLine(const std::vector<std::string>& fields);

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    *settings = static_cast<ICoreWebView2Settings*>(FSettings.Get());
    (*settings)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override { return PutString(FSource, uri); }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (uri == nullptr) return E_INVALIDARG;
    FLink->Send({"navigate", Narrow(uri)});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (uri == nullptr) return E_INVALIDARG;
    FLink->Send({"filter", Narrow(uri)});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (script == nullptr) return E_INVALIDARG;
    TComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> keep(handler);
    const std::string call = Call([keep](const std::vector<std::string>& fields) {
      if (!keep) return;
      const bool ok = Field(fields, 2) == "S";
      keep->Invoke(ok ? S_OK : E_FAIL, ok ? Widen(Field(fields, 3)).c_str() : nullptr);
    });
    FLink->Send({"addscript", call, Narrow(script)});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (script == nullptr) return E_INVALIDARG;
    TComPtr<ICoreWebView2ExecuteScriptCompletedHandler> keep(handler);
    const std::string call = Call([keep](const std::vector<std::string>& fields) {
      if (keep) keep->Invoke(S_OK, Widen(Field(fields, 3)).c_str());
    });
    FLink->Send({"eval", call, Narrow(script)});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (json == nullptr) return E_INVALIDARG;
    if (FSettings->Get("IsWebMessageEnabled")) FLink->Send({"post", Narrow(json)});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR text) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    if (text == nullptr) return E_INVALIDARG;
    if (FSettings->Get("IsWebMessageEnabled")) FLink->Send({"post", JsonQuote(Narrow(text))});
    return S_OK;
  }

#define STANDIN_EVENT(Name, Handler, Member)                                                                  \
  HRESULT STDMETHODCALLTYPE add_##Name(Handler* handler, EventRegistrationToken* token) override {            \
    return Member.Add(handler, token);                                                                        \
  }                                                                                                           \
  HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override { return Member.Remove(token); }
  STANDIN_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler, FNavigationStarting)
  STANDIN_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler, FFrameNavigationStarting)
  STANDIN_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler, FNavigationCompleted)
  STANDIN_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler, FWebMessage)
  STANDIN_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler, FResource)
  STANDIN_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler, FProcessFailed)
  STANDIN_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler, FNewWindow)
  STANDIN_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler, FPermission)
  STANDIN_EVENT(DownloadStarting, ICoreWebView2DownloadStartingEventHandler, FDownload)
  STANDIN_EVENT(LaunchingExternalUriScheme, ICoreWebView2LaunchingExternalUriSchemeEventHandler, FExternalUri)
#undef STANDIN_EVENT

 private:
  std::string Call(std::function<void(const std::vector<std::string>&)> done) {
    const std::string id = std::to_string(++FNextCall);
    FCalls[id] = std::move(done);
    return id;
  }
  void OnRequest(const std::vector<std::string>& fields);
  void ServeResponse(const std::string& id, TComPtr<TResponse> response);

  std::shared_ptr<TLink> FLink;
  TController* FController;
  TComPtr<TSettings> FSettings;
  bool FClosed = false;
  std::string FSource = "about:blank";
  std::int64_t FNextCall = 0;
  std::map<std::string, std::function<void(const std::vector<std::string>&)>> FCalls;
  TEvent<ICoreWebView2NavigationStartingEventHandler> FNavigationStarting, FFrameNavigationStarting;
  TEvent<ICoreWebView2NavigationCompletedEventHandler> FNavigationCompleted;
  TEvent<ICoreWebView2WebMessageReceivedEventHandler> FWebMessage;
  TEvent<ICoreWebView2WebResourceRequestedEventHandler> FResource;
  TEvent<ICoreWebView2ProcessFailedEventHandler> FProcessFailed;
  TEvent<ICoreWebView2NewWindowRequestedEventHandler> FNewWindow;
  TEvent<ICoreWebView2PermissionRequestedEventHandler> FPermission;
  TEvent<ICoreWebView2DownloadStartingEventHandler> FDownload;
  TEvent<ICoreWebView2LaunchingExternalUriSchemeEventHandler> FExternalUri;
};

// The view's child window: it shows the page's frames and hands input to the page.
class TController final : public TCom<fake::NotImpl_ICoreWebView2Controller4, ICoreWebView2Controller,
                                      ICoreWebView2Controller4> {
 public:
  TController(std::shared_ptr<TLink> link, HWND parent) : FLink(std::move(link)), FParent(parent) {
    static const bool registered = [] {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.style = CS_DBLCLKS;
      windowClass.lpfnWndProc = &TController::WindowProc;
      windowClass.hInstance = ThisModule;
      windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      windowClass.lpszClassName = L"VantreelStandinView";
      return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
    FWindow = CreateWindowExW(0, L"VantreelStandinView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                              parent, nullptr, ThisModule, nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FWebView = Make<TWebView>(FLink, this);
  }

  TWebView* WebView() { return FWebView.Get(); }
  bool Closed() const { return FClosed; }

  void OnFrame(std::shared_ptr<TFrame> frame) {
    FFrame = std::move(frame);
    InvalidateRect(FWindow, nullptr, FALSE);
  }

  double Scale() const {
    using TGetDpi = UINT(WINAPI*)(HWND);
    static const auto getDpi =
        reinterpret_cast<TGetDpi>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi ? getDpi(FParent) : 96;
    return dpi ? dpi / 96.0 : 1.0;
  }

  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) override {
    if (FClosed) {
      *webView = nullptr;
      return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    }
    *webView = static_cast<ICoreWebView2*>(FWebView.Get());
    (*webView)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) override { *visible = FVisible; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    FVisible = visible;
    ShowWindow(FWindow, visible ? SW_SHOWNA : SW_HIDE);
    FLink->Send({"visible", visible ? "1" : "0"});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override { *bounds = FBounds; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    FBounds = bounds;
    MoveWindow(FWindow, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    SendBounds();
    ReportOrigin();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoom) override { *zoom = 1.0; return S_OK; }
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON) override {
    if (FClosed) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    SetFocus(FWindow);
    FLink->Send({"focus"});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) override { *parent = FParent; return S_OK; }
  HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override {
    ++ParentMoves;
    // The scale follows the monitor the parent is on now.
    SendBounds();
    ReportOrigin();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    if (FClosed) return S_OK;
    FClosed = true;
    FWebView->Detach();
    FLink->Send({"close"});
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
    FWindow = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_AllowExternalDrop(BOOL* value) override { *value = FAllowDrop; return S_OK; }
  HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL value) override { FAllowDrop = value; return S_OK; }

  int ParentMoves = 0;

 private:
  void SendBounds() {
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.4f", Scale());
    FLink->Send({"bounds", std::to_string(std::max<LONG>(1, FBounds.right - FBounds.left)),
                 std::to_string(std::max<LONG>(1, FBounds.bottom - FBounds.top)), scale});
  }

  static int Modifiers() {
    int modifiers = 0;
    if (GetKeyState(VK_MENU) < 0) modifiers |= 1;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= 2;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= 8;
    return modifiers;
  }

  void Mouse(const char* kind, LPARAM lParam, const char* button, int clicks) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    FLink->Send({"mouse", kind, std::to_string(x), std::to_string(y), button, std::to_string(clicks),
                 std::to_string(Modifiers())});
  }

  // Where the page is on the screen, for tests that click into it.
  void ReportOrigin() {
    if (FWindow == nullptr) return;
    POINT origin{0, 0};
    ClientToScreen(FWindow, &origin);
    if (origin.x == FOrigin.x && origin.y == FOrigin.y) return;
    FOrigin = origin;
    FLink->Send({"origin", std::to_string(origin.x), std::to_string(origin.y)});
  }

  void Paint() {
    ReportOrigin();
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(FWindow, &paint);
    RECT client{};
    GetClientRect(FWindow, &client);
    if (FFrame && FFrame->Width > 0) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = FFrame->Width;
      info.bmiHeader.biHeight = -FFrame->Height;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      SetDIBitsToDevice(dc, 0, 0, FFrame->Width, FFrame->Height, 0, 0, 0, FFrame->Height, FFrame->Pixels.data(), &info,
                        DIB_RGB_COLORS);
      // What the frame does not cover yet (a resize on its way) stays white.
      RECT right{FFrame->Width, 0, client.right, client.bottom};
      RECT below{0, FFrame->Height, FFrame->Width, client.bottom};
      if (right.left < right.right) FillRect(dc, &right, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      if (below.top < below.bottom) FillRect(dc, &below, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    } else {
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(FWindow, &paint);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_PAINT: Paint(); return 0;
      case WM_ERASEBKGND: return 1;
      case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
        // A click takes the keyboard focus, as the runtime's own window does.
        SetFocus(FWindow);
        SetCapture(FWindow);
        Mouse("mousePressed", lParam, message == WM_LBUTTONDOWN ? "left" : "right", 1);
        return 0;
      case WM_LBUTTONDBLCLK:
        Mouse("mousePressed", lParam, "left", 2);
        return 0;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        ReleaseCapture();
        Mouse("mouseReleased", lParam, message == WM_LBUTTONUP ? "left" : "right", 1);
        return 0;
      case WM_MOUSEMOVE:
        Mouse("mouseMoved", lParam, (wParam & MK_LBUTTON) ? "left" : "none", 0);
        return 0;
      case WM_MOUSEWHEEL: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(FWindow, &point);
        const int delta = -GET_WHEEL_DELTA_WPARAM(wParam) * 100 / WHEEL_DELTA;
        FLink->Send({"wheel", std::to_string(point.x), std::to_string(point.y), "0", std::to_string(delta)});
        return 0;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        FLink->Send({"key", "rawKeyDown", std::to_string(wParam), "", std::to_string(Modifiers())});
        return 0;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        FLink->Send({"key", "keyUp", std::to_string(wParam), "", std::to_string(Modifiers())});
        return 0;
      case WM_CHAR: {
        const wchar_t ch = static_cast<wchar_t>(wParam);
        if (ch < 0x20 && ch != L'\r') return 0;
        if (ch >= 0xD800 && ch < 0xDC00) {
          FHighSurrogate = ch;
          return 0;
        }
        std::wstring text;
        if (ch >= 0xDC00 && ch < 0xE000 && FHighSurrogate) text += FHighSurrogate;
        FHighSurrogate = 0;
        text += ch;
        FLink->Send({"key", "char", std::to_string(ch == L'\r' ? 13 : 0), Narrow(text.c_str()), std::to_string(Modifiers())});
        return 0;
      }
      default: break;
    }
    return DefWindowProcW(FWindow, message, wParam, lParam);
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* self = reinterpret_cast<TController*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
      return self->Handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
  }

  ~TController() override {
    if (FWindow) {
      SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
      DestroyWindow(FWindow);
    }
  }

  std::shared_ptr<TLink> FLink;
  HWND FParent;
  HWND FWindow = nullptr;
  TComPtr<TWebView> FWebView;
  std::shared_ptr<TFrame> FFrame;
  RECT FBounds{};
  POINT FOrigin{-1, -1};
  BOOL FVisible = TRUE;
  BOOL FAllowDrop = TRUE;
  bool FClosed = false;
  wchar_t FHighSurrogate = 0;
};

void TWebView::OnLine(const std::vector<std::string>& fields) {
  if (FClosed) return;
  const std::string& verb = fields[0];
  if (verb == "request") {
    OnRequest(fields);
  } else if (verb == "completed") {
    auto args = Make<TNavigationCompletedArgs>(ToNumber(Field(fields, 1)), true, COREWEBVIEW2_WEB_ERROR_STATUS_UNKNOWN);
    FNavigationCompleted.Raise(static_cast<ICoreWebView2*>(this), static_cast<ICoreWebView2NavigationCompletedEventArgs*>(args.Get()));
  } else if (verb == "message") {
    FSource = Field(fields, 1);
    if (!FSettings->Get("IsWebMessageEnabled")) return;
    auto args = Make<TWebMessageArgs>(Field(fields, 1), Field(fields, 2));
    FWebMessage.Raise(static_cast<ICoreWebView2*>(this), static_cast<ICoreWebView2WebMessageReceivedEventArgs*>(args.Get()));
  } else if (verb == "scriptadded" || verb == "evaluated") {
    auto it = FCalls.find(Field(fields, 1));
    if (it == FCalls.end()) return;
    auto done = std::move(it->second);
    FCalls.erase(it);
    done(fields);
  } else if (verb == "failed" || verb == "lost") {
    const int kind = verb == "lost" ? 0 : std::stoi(Field(fields, 1));
    auto args = Make<TProcessFailedArgs>(static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(kind));
    FProcessFailed.Raise(static_cast<ICoreWebView2*>(this), static_cast<ICoreWebView2ProcessFailedEventArgs*>(args.Get()));
    if (kind == 0) FClosed = true;  // the browser process is gone: the view is closed with it
  } else if (verb == "newwindow") {
    auto args = Make<TNewWindowArgs>(Field(fields, 2));
    FNewWindow.Raise(static_cast<ICoreWebView2*>(this), static_cast<ICoreWebView2NewWindowRequestedEventArgs*>(args.Get()));
    FLink->Send({"newwindow", Field(fields, 1), args->Handled ? "handled" : "default"});
  }
}

// A document request raises (Frame)NavigationStarting first; a cancel ends it before any
// network. Then WebResourceRequested for the filters, and the response's stream is read on a
// background thread.
void TWebView::OnRequest(const std::vector<std::string>& fields) {
  const std::string id = Field(fields, 1), uri = Field(fields, 2), method = Field(fields, 3);
  const std::string navigation = Field(fields, 5);
  const UINT64 navigationId = ToNumber(Field(fields, 6));
  const bool filtered = Field(fields, 7) == "1";
  const std::string kind = Field(fields, 8);
  if (!navigation.empty()) {
    auto args = Make<TNavigationStartingArgs>(uri, navigationId);
    auto* sender = static_cast<ICoreWebView2*>(this);
    auto* raw = static_cast<ICoreWebView2NavigationStartingEventArgs*>(args.Get());
    if (navigation == "top")
      FNavigationStarting.Raise(sender, raw);
    else
      FFrameNavigationStarting.Raise(sender, raw);
    if (FClosed) return;
    if (args->Cancel) {
      FLink->Send({"cancel", id});
      if (navigation == "top") {
        auto done = Make<TNavigationCompletedArgs>(navigationId, false, COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED);
        FNavigationCompleted.Raise(sender, static_cast<ICoreWebView2NavigationCompletedEventArgs*>(done.Get()));
      }
      return;
    }
  }
  if (!filtered) {
    FLink->Send({"continue", id});
    return;
  }
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
  static const std::map<std::string, COREWEBVIEW2_WEB_RESOURCE_CONTEXT> contexts = {
      {"Document", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT}, {"Stylesheet", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET},
      {"Image", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE}, {"Media", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA},
      {"Font", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT}, {"Script", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT},
      {"XHR", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST}, {"Fetch", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH}};
  if (auto it = contexts.find(kind); it != contexts.end()) context = it->second;
  auto args = Make<TResourceRequestedArgs>(Make<TRequest>(uri, method), context);
  FResource.Raise(static_cast<ICoreWebView2*>(this), static_cast<ICoreWebView2WebResourceRequestedEventArgs*>(args.Get()));
  if (FClosed) return;
  if (!args->Response) {
    FLink->Send({"continue", id});
    return;
  }
  ServeResponse(id, args->Response);
}

// On the system's thread pool: many resources are asked for at once when a page starts.
template <typename Function>
void RunInBackground(Function function) {
  auto* work = new std::function<void()>(std::move(function));
  const BOOL queued = QueueUserWorkItem(
      [](void* context) -> DWORD {
        std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(context));
        (*job)();
        return 0;
      },
      work, WT_EXECUTEDEFAULT);
  if (!queued) {
    (*work)();
    delete work;
  }
}

void TWebView::ServeResponse(const std::string& id, TComPtr<TResponse> response) {
  std::shared_ptr<TLink> link = FLink;
  RunInBackground([link, id, response] {
    std::vector<unsigned char> body;
    if (IStream* stream = response->Content.Get()) {
      unsigned char chunk[65536];
      ULONG got = 0;
      while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &got)) && got > 0) body.insert(body.end(), chunk, chunk + got);
    }
    link->Send({"fulfill", id, std::to_string(response->Status), response->Reason, response->Headers, Base64(body)});
  });
}

// --- the environment -----------------------------------------------------------------------------

class TEnvironment final : public TCom<fake::NotImpl_ICoreWebView2Environment, ICoreWebView2Environment> {
 public:
  TEnvironment(std::shared_ptr<TLink> link, std::string version) : FLink(std::move(link)), FVersion(std::move(version)) {}

  void Start(std::function<void()> ready) {
    FReady = std::move(ready);
    FLink->Start([this](const std::vector<std::string>& fields) { OnLine(fields); },
                 [this](std::shared_ptr<TFrame> frame) {
                   if (FController && !FController->Closed()) FController->OnFrame(std::move(frame));
                 });
  }

  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    if (handler == nullptr) return E_POINTER;
    if (!IsWindow(parent)) return E_INVALIDARG;
    // One controller at a time; a closed one may be followed by another, as on the runtime.
    if (FControllerPending || (FController && !FController->Closed())) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    FControllerPending = TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(handler);
    FParent = parent;
    RECT client{};
    GetClientRect(parent, &client);
    FLink->Send({"controller", std::to_string(std::max<LONG>(1, client.right)), std::to_string(std::max<LONG>(1, client.bottom)),
                 "1"});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason, LPCWSTR headers,
                                                      ICoreWebView2WebResourceResponse** response) override {
    if (response == nullptr) return E_POINTER;
    *response = new TResponse(content, status, Narrow(reason), Narrow(headers));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* version) override { return PutString(FVersion, version); }

 private:
  ~TEnvironment() override {
    if (FController) FController->Close();
    FLink->Stop();
  }

  void OnLine(const std::vector<std::string>& fields) {
    const std::string& verb = fields[0];
    if (verb == "version") {
      FVersion = Field(fields, 1);
      if (FReady) std::exchange(FReady, nullptr)();
      return;
    }
    if (verb == "controller") {
      auto handler = std::move(FControllerPending);
      if (!handler) return;
      if (Field(fields, 1) != "S") {
        handler->Invoke(E_FAIL, nullptr);
        return;
      }
      FController = Make<TController>(FLink, FParent);
      handler->Invoke(S_OK, static_cast<ICoreWebView2Controller*>(FController.Get()));
      return;
    }
    if (FController) FController->WebView()->OnLine(fields);
  }

  std::shared_ptr<TLink> FLink;
  std::string FVersion;
  std::function<void()> FReady;
  TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> FControllerPending;
  TComPtr<TController> FController;
  HWND FParent = nullptr;
};

std::string OptionString(ICoreWebView2EnvironmentOptions* options, HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*get)(LPWSTR*)) {
  if (options == nullptr) return {};
  LPWSTR value = nullptr;
  if (FAILED((options->*get)(&value)) || value == nullptr) return {};
  std::string text = Narrow(value);
  CoTaskMemFree(value);
  return text;
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  if (handler == nullptr) return E_POINTER;
  SOCKET s = ConnectToRelay();
  // No relay is no runtime: the loader's own answer, at once, and no completion.
  if (s == INVALID_SOCKET) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  auto queue = std::make_shared<TUiQueue>();
  auto link = std::make_shared<TLink>(s, queue);
  auto environment = Make<TEnvironment>(link, "");
  TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> keep(handler);
  // The queue lives as long as the environment's link: the completion and every later event
  // come through it.
  environment->Start([environment, keep, queue] {
    keep->Invoke(S_OK, static_cast<ICoreWebView2Environment*>(environment.Get()));
  });
  link->Send({"hello", OptionString(options, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments),
              OptionString(options, &ICoreWebView2EnvironmentOptions::get_Language)});
  return S_OK;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR, LPWSTR* version) {
  if (version == nullptr) return E_POINTER;
  *version = nullptr;
  SOCKET s = ConnectToRelay();
  if (s == INVALID_SOCKET) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  const std::string hello = "hello\t\t\n";
  send(s, hello.data(), static_cast<int>(hello.size()), 0);
  std::string reply;
  char c;
  while (recv(s, &c, 1, 0) == 1 && c != '\n') reply += c;
  closesocket(s);
  const std::vector<std::string> fields = SplitFields(reply);
  if (Field(fields, 0) != "version") return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  return PutString(Field(fields, 1), version);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE CompareBrowserVersions(PCWSTR a, PCWSTR b, int* result) {
  if (a == nullptr || b == nullptr || result == nullptr) return E_INVALIDARG;
  const std::wstring left(a), right(b);
  *result = left < right ? -1 : (left == right ? 0 : 1);
  return S_OK;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ThisModule = instance;
  }
  return TRUE;
}

}  // extern "C"
