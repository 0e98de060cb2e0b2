// The browser start-up: at first show, wait for the loader, create the browser with its
// developer facilities off; once it exists, load the bundle, hook the origin and open the
// entry page. Each failure is shown once in a message box; those before the browser exists
// let the next showing run the sequence again.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>

#include "app/UMainForm.h"
#include "base/AsciiText.h"
#include "base/StatusText.h"
#include "platform/KnownFolders.h"
#include "platform/Utf8Path.h"

namespace vantreel {
namespace {

constexpr unsigned kLoaderWaitLimitMs = 5000;
constexpr unsigned kLoaderPollMs = 50;

std::string ErrorDetail(const std::string& message, HResult code) {
  return message + " (" + HexStatus(static_cast<std::uint32_t>(code)) + ")";
}

// Windows' codes for the failures a person can mend.
constexpr std::uint32_t kFileNotFound = 0x80070002u;  // no runtime installed
constexpr std::uint32_t kAccessDenied = 0x80070005u;
constexpr std::uint32_t kModuleNotFound = 0x8007007Eu;
constexpr std::uint32_t kProcNotFound = 0x8007007Fu;
constexpr std::uint32_t kBadExeFormat = 0x800700C1u;

std::string_view ActionableTextKey(HResult code) {
  switch (static_cast<std::uint32_t>(code)) {
    case kFileNotFound: return "err.runtime_missing";
    case kModuleNotFound:
    case kProcNotFound:
    case kBadExeFormat: return "err.loader_missing";
    case kAccessDenied: return "err.access_denied";
    default: return {};
  }
}

}  // namespace

std::string TMainForm::StartupFailureDetail(HResult code, const std::string& message) const {
  const std::string_view key = ActionableTextKey(code);
  if (key.empty()) return message;
  return GetText(key) + " (" + HexStatus(static_cast<std::uint32_t>(code)) + ")";
}

std::string_view TMainForm::StartupFailureHint(HResult code) {
  const std::string_view key = ActionableTextKey(code);
  if (key == "err.runtime_missing") return "loading.install_hint";
  if (key == "err.loader_missing") return "loading.unpack_hint";
  return "loading.restart_hint";
}

std::string TMainForm::GetWebViewCacheDir() {
  const std::filesystem::path tail = std::filesystem::path("Vantreel") / "WebView2Cache";
  if (auto localAppData = LocalAppDataDir(); localAppData && !localAppData->empty()) {
    return Utf8FromPath(*localAppData / tail);
  }
  std::filesystem::path profile = UserProfileDir().value_or(std::filesystem::path());
  return Utf8FromPath(profile / "AppData" / "Local" / tail);
}

// One start-up failure: what the overlay advises, the box's text and the line logged after
// the box closes (none when the step logged its own). Thrown by the steps of
// EnsureWebViewCreated and reported in one place.
struct TMainForm::TStartupFailure {
  std::string_view hintKey;
  std::string boxText;
  std::string logLine;
};

void TMainForm::EnsureWebViewCreated() {
  if (FWebViewCreated) return;
  // Set before anything pumps messages, so that a nested showing returns at once.
  FWebViewCreated = true;
  Log("WebView 初始化：开始。");
  try {
    CreateHostControl();
    ShowLoadingOverlay("EnsureWebViewCreated: 初始化 WebView2");
    IWebViewLoader& loader = PrepareLoader();
    WaitForLoader(loader);
    CreateBrowserWith(loader);
  } catch (const TStartupFailure& failure) {
    // Showing the window again runs the sequence again.
    ShowLoadingFailure(failure.hintKey);
    FUi.ShowMessageBox(failure.boxText);
    if (!failure.logLine.empty()) Log(failure.logLine);
    FWebViewCreated = false;
  }
}

void TMainForm::CreateHostControl() {
  if (FWVWindowParent) FRetiredWindowParents.push_back(std::move(FWVWindowParent));
  FWVWindowParent = FBrowserFactory.CreateWindowParent(FUi.ClientHandle());
  FWVWindowParent->SetVisible(true);
  try {
    FWVWindowParent->SetBackgroundWhite();
  } catch (const std::exception&) {
    // Cosmetic only; the browser covers the control anyway.
  }
  Log("WebView 初始化：WindowParent 创建完成。");
}

IWebViewLoader& TMainForm::PrepareLoader() {
  if (FWVLoader) {
    Log("WebView 初始化：复用构造函数中已启动的 Loader。");
  } else {
    try {
      StartLoader(true);
    } catch (const std::filesystem::filesystem_error& e) {
      // The next showing reuses this loader, which never started: only a restart mends it.
      throw TStartupFailure{"loading.restart_hint", GetText("err.cache_dir_create") + e.what(),
                            std::string("WebView 初始化：创建缓存目录失败：") + e.what()};
    }
    Log("WebView 初始化：Loader 在 DoShow 时创建并启动（构造函数未提前启动）。");
  }
  // The constructor's loader may have found the reference held by another window's.
  ClaimProcessLoader();
  return *FWVLoader;
}

void TMainForm::WaitForLoader(IWebViewLoader& loader) {
  unsigned waitedMs = 0;
  while (!loader.Initialized() && !loader.InitializationError() && waitedMs < kLoaderWaitLimitMs) {
    FUi.ProcessMessages();
    FUi.Sleep(kLoaderPollMs);
    waitedMs += kLoaderPollMs;
  }
  if (loader.InitializationError()) {
    const std::string error = loader.ErrorMessage();
    const HResult code = loader.ErrorCode();
    // The next showing reuses this loader and its failure: retrying cannot mend it.
    throw TStartupFailure{StartupFailureHint(code), GetText("err.loader_init") + StartupFailureDetail(code, error),
                          "WebView 初始化：Loader 初始化失败：" + error};
  }
  if (!loader.Initialized()) {
    throw TStartupFailure{"loading.retry_hint", GetText("err.loader_timeout"), "WebView 初始化：Loader 初始化超时（5秒）。"};
  }
  Log("WebView 初始化：Loader 就绪，实际等待 " + std::to_string(waitedMs) +
      " ms。（若构造函数提前启动，本值应接近 0）");
}

void TMainForm::CreateBrowserWith(IWebViewLoader& loader) {
  if (FWVBrowser) FRetiredBrowsers.push_back(std::move(FWVBrowser));
  FWVBrowser = FBrowserFactory.CreateBrowser();
  FWVWindowParent->SetBrowser(FWVBrowser.get());
  BindBrowserEvents();
  ApplyReleaseSettings();
  Log("WebView 初始化：Browser 创建完成，事件已绑定。");

  FWVWindowParent->UpdateSize();
  Log("WebView 初始化：WindowParent.UpdateSize 已调用。");

  if (!FWVBrowser->CreateBrowser(FWVWindowParent->Handle(), loader.Environment())) {
    Log("WebView 初始化：CreateBrowser 返回 False（可能原因：Environment 无效/句柄异常）。");
    throw TStartupFailure{"loading.retry_hint", GetText("err.create_browser"), {}};
  }
  Log("WebView 初始化：CreateBrowser 已调用（使用 FWVLoader.Environment），等待 OnAfterCreated 回调。");
}

void TMainForm::BindBrowserEvents() {
  FWVBrowser->OnAfterCreated = [this] { OnBrowserAfterCreated(); };
  FWVBrowser->OnWebMessageReceived = [this](IWebMessageReceivedEventArgs& args) { OnBrowserWebMessageReceived(args); };
  FWVBrowser->OnWebResourceRequested = [this](IWebResourceRequestedEventArgs& args) {
    OnBrowserWebResourceRequested(args);
  };
  FWVBrowser->OnInitializationError = [this](HResult code, const std::string& message) {
    OnBrowserInitializationError(code, message);
  };
  FWVBrowser->OnProcessFailed = [this](const std::string& reason) { OnBrowserProcessFailed(reason); };
  FWVBrowser->OnProcessUnresponsive = [this](const std::string& reason) { OnBrowserProcessUnresponsive(reason); };
}

void TMainForm::ApplyReleaseSettings() {
#if VANTREEL_PAGE_INSPECTOR
  // A development build (CMake refuses it for Release): the page keeps its inspector, reached
  // from its context menu, and the browser's shortcuts stay shut.
  FWVBrowser->SetAreBrowserAcceleratorKeysEnabled(false);
  Log("开发构建：页面检查器已开启，请勿发布。");
#else
  FWVBrowser->SetDefaultContextMenusEnabled(false);
  FWVBrowser->SetDevToolsEnabled(false);
  FWVBrowser->SetAreBrowserAcceleratorKeysEnabled(false);
  FWVBrowser->SetAdditionalBrowserArguments(std::string(TrimBlanks(FWVBrowser->AdditionalBrowserArguments() + " --disable-dev-tools")));
  Log("Release 模式：已禁用右键菜单、开发者工具和调试快捷键。");
#endif
}

// Settings written before the browser existed were ignored; make sure they hold now.
void TMainForm::ConfirmReleaseSettings() {
#if !VANTREEL_PAGE_INSPECTOR
  if (FWVBrowser->DefaultContextMenusEnabled()) {
    FWVBrowser->SetDefaultContextMenusEnabled(false);
    Log("Release 模式：已确认禁用右键菜单。");
  }
  if (FWVBrowser->DevToolsEnabled()) {
    FWVBrowser->SetDevToolsEnabled(false);
    Log("Release 模式：已确认禁用开发者工具。");
  }
#endif
  if (FWVBrowser->AreBrowserAcceleratorKeysEnabled()) {
    FWVBrowser->SetAreBrowserAcceleratorKeysEnabled(false);
    Log("Release 模式：已确认禁用浏览器快捷键。");
  }
}

void TMainForm::OnBrowserAfterCreated() {
  FInitCompleted = true;
  Log("OnBrowserAfterCreated 触发：WebView 控制器创建完成。");

  if (FWVBrowser && FWVBrowser->HasCoreWebView2()) ConfirmReleaseSettings();

  if (FWVWindowParent) {
    FWVWindowParent->UpdateSize();
    FWVWindowParent->SetVisible(true);
    FWVWindowParent->Invalidate();
    FWVWindowParent->Repaint();
  }
  // The window took the focus when it was shown, before there was a page to pass it to.
  FocusPage();

  try {
    OpenEntryPage();
  } catch (const std::exception& e) {
    Log(std::string("加载入口 URL 异常：") + e.what());
    ShowLoadingFailure("loading.restart_hint");
    FUi.ShowMessageBox(GetText("err.navigate_entry") + e.what());
  }
}

void TMainForm::OpenEntryPage() {
  EnsureWebBundleLoaded();
  InstallWebResourceFilter();
  const std::string entryUrl = ResolveEntryUrl();
  Log("准备直接加载入口页：" + entryUrl);
  FWVBrowser->Navigate(entryUrl);
  // Submitted in the same turn as the navigation; the browser layer runs it in the entry
  // document.
  InjectSystemResumeListener();
  FUi.Invalidate();
  FUi.Update();
}

std::string TMainForm::ResolveEntryUrl() {
  std::string url = FWebBundle->BuildEntryUrl();
  Log("入口 URL 决策：使用内存资源包入口=" + url);
  return url;
}

void TMainForm::OnBrowserInitializationError(HResult errorCode, const std::string& errorMessage) {
  const std::string detail = ErrorDetail(errorMessage, errorCode);
  ShowLoadingFailure(StartupFailureHint(errorCode));
  FUi.ShowMessageBox(GetText("err.webview_init") + StartupFailureDetail(errorCode, detail));
  Log("OnBrowserInitializationError：" + detail);
}

}  // namespace vantreel
