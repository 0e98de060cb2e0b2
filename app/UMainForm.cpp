// Construction and destruction of the main window, its log, its language, the tray icon and
// the window-state handling. The other duties live in MainForm*.cpp beside this file.
#include "app/UMainForm.h"
#include "platform/Utf8Path.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/UiStrings.h"
#include "platform/LocalTime.h"
#include "platform/UiLanguageId.h"

namespace vantreel {
namespace {

TMainForm::TLogSink& LogSinkForTesting() {
  static TMainForm::TLogSink sink;
  return sink;
}

std::optional<TWebBundleSource>& WebBundleSourceForTesting() {
  static std::optional<TWebBundleSource> source;
  return source;
}

}  // namespace

TMainForm::TMainForm(IMainFormUi& ui, IBrowserFactory& browserFactory) : FUi(ui), FBrowserFactory(browserFactory) {
  FUiLanguage = DetectUiLanguage();
  ApplyUiLanguage();
  Log("UI 语言初始化完成：" + FUiLanguage);

  FUi.SetClientSize(1280, 820);
  FUi.CenterOnScreen();
  FUi.SetBackgroundWhite();

  Log("主窗体构造完成，准备提前启动 WebView2 Loader。");

  // Unguarded on purpose: a window without its bundle object is not worth showing.
  TWebBundleLogProc bundleLog = [this](const std::string& message) { Log(message); };
  if (const auto& source = WebBundleSourceForTesting()) {
    FWebBundle = std::make_unique<TWebAppBundle>(std::move(bundleLog), *source);
  } else {
    FWebBundle = std::make_unique<TWebAppBundle>(std::move(bundleLog));
  }
  // The key derivation and unpacking wait for nothing the browser does: let them run while
  // the browser starts. The load in OnBrowserAfterCreated takes the result and writes the
  // bundle's lines there, as if it had done the work itself.
  FWebBundle->StartPreparing();

  CreateTrayIcon();
  StartLoaderEarly();

  // Last, so that a constructor that throws leaves no sink pointing at a half-built window.
  FUi.SetEventSink(this);
}

TMainForm::~TMainForm() {
  FUi.SetEventSink(nullptr);
  *FResumeTarget = nullptr;

  FWebBundle.reset();

  // The owned components, the overlay first; browsers before the host controls they live
  // in, and those before the loader whose environment they use.
  FTimerDelayNav.reset();
  FRecoveryTimer.reset();
  FLoadingLabel.reset();
  FLoadingPanel.reset();
  FTrayIcon.reset();
  FWVBrowser.reset();
  FRetiredBrowsers.clear();
  FWVWindowParent.reset();
  FRetiredWindowParents.clear();
  ReleaseLoader();
}

void TMainForm::ReleaseLoader() {
  // The process-wide reference must never outlive the loader it points at.
  if (FWVLoader && GlobalWebView2Loader() == FWVLoader.get()) SetGlobalWebView2Loader(nullptr);
  FWVLoader.reset();
}

void TMainForm::DoShow() {
  Log("DoShow 触发：准备一次性初始化 WebView。");
  EnsureWebViewCreated();
}

void TMainForm::LogMessage(const std::string& message) { Log(message); }

// ---- Log

std::string TMainForm::ComposeLogLine(const std::tm& localTime, int milliseconds, std::string_view message) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", localTime.tm_year + 1900,
                localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min, localTime.tm_sec,
                milliseconds);
  std::string line(stamp);
  line += " | ";
  line += message;
  return line;
}

void TMainForm::SetLogSinkForTesting(TLogSink sink) { LogSinkForTesting() = std::move(sink); }

void TMainForm::SetWebBundleSourceForTesting(std::optional<TWebBundleSource> source) {
  WebBundleSourceForTesting() = std::move(source);
}

void TMainForm::Log(const std::string& message) const {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto sinceEpoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(sinceEpoch / 1000);
  const std::string line = ComposeLogLine(LocalTimeOf(seconds), static_cast<int>(sinceEpoch % 1000), message);

  if (const TLogSink& sink = LogSinkForTesting()) sink(line);
#if defined(VANTREEL_LOG_STDERR)
  std::fprintf(stderr, "%s\n", line.c_str());
#endif
}

// ---- Language

std::string TMainForm::DetectUiLanguage() const {
  std::uint16_t langId = GetUserDefaultUILanguage();
  if (langId == 0) langId = GetSystemDefaultUILanguage();
  return LanguageCodeFromLangId(langId);
}

std::string TMainForm::GetText(std::string_view key) const { return GetUiText(FUiLanguage, key); }

void TMainForm::ApplyUiLanguage() {
  FUi.SetCaption(GetText("app.title"));
  FUi.SetRightToLeft(SameLanguageCode(FUiLanguage, "ar"));
}

// ---- Tray icon and window state

void TMainForm::CreateTrayIcon() {
  try {
    FTrayIcon = FUi.CreateTrayIcon();
    FTrayIcon->SetVisible(true);
    const std::string caption = FUi.Caption();
    FTrayIcon->SetHint(caption);
    FTrayIcon->SetBalloonTitle(caption);
    FTrayIcon->SetBalloonText(GetText("tray.restore_hint"));
    if (FUi.HasApplicationIcon()) FTrayIcon->SetApplicationIcon();
    FTrayIcon->SetOnDblClick([this] { TrayIconDblClick(); });
    Log("托盘图标已创建并显示在任务栏右下角。");
  } catch (const std::exception& e) {
    Log(std::string("托盘图标创建失败（不影响主功能）：") + e.what());
    FTrayIcon.reset();
  }
}

void TMainForm::StartLoaderEarly() {
  try {
    StartLoader(false);
    Log("构造函数：WebView2 Loader 已提前启动（与窗体显示并行）。");
  } catch (const std::exception& e) {
    Log(std::string("构造函数：Loader 提前启动异常（DoShow 时将重试）：") + e.what());
    ReleaseLoader();
  }
}

void TMainForm::StartLoader(bool cacheFolderRequired) {
  FWVLoader = FBrowserFactory.CreateLoader();
  const std::string cacheDir = GetWebViewCacheDir();
  FWVLoader->SetUserDataFolder(cacheDir);
  FWVLoader->SetLanguage(FUiLanguage);
  ClaimProcessLoader();
  if (cacheFolderRequired) {
    std::filesystem::create_directories(PathFromUtf8(cacheDir));
  } else {
    // Not examined here: a folder that cannot be made surfaces as the loader's own error.
    std::error_code ignored;
    std::filesystem::create_directories(PathFromUtf8(cacheDir), ignored);
  }
  FWVLoader->StartWebView2();
}

void TMainForm::ClaimProcessLoader() {
  if (GlobalWebView2Loader() == nullptr) SetGlobalWebView2Loader(FWVLoader.get());
}

void TMainForm::TrayIconDblClick() {
  try {
    if (!FUi.IsVisible()) {
      FUi.SetNormalState();
      FUi.Show();
      if (FWVBrowser) FWVBrowser->SetPageVisible(true);
      Log("从托盘恢复：主窗口已显示。");
    }
    FUi.BringToFront();
    FUi.BringApplicationToFront();
    FUi.SetForegroundWindow();
    FUi.SetFocus();
    FocusPage();
  } catch (const std::exception& e) {
    Log(std::string("从托盘恢复窗口异常：") + e.what());
  }
}

void TMainForm::Resize() {
  if (!FWVWindowParent) return;
  FWVWindowParent->UpdateSize();
  FWVWindowParent->Invalidate();
  FWVWindowParent->Repaint();
}

bool TMainForm::WndProc(TMessage& message) {
  if (message.Msg == WM_SYSCOMMAND && (message.WParam & 0xFFFF) == SC_MINIMIZE) {
    // Hiding is only safe while a tray icon can bring the window back; otherwise the window
    // would be lost for the rest of the run, so it minimises the ordinary way.
    if (!FTrayIcon || !FTrayIcon->IsEmbedded()) return false;
    FUi.Hide();
    // A hidden page need not render; it learns of it through visibilitychange.
    if (FWVBrowser) FWVBrowser->SetPageVisible(false);
    Log("用户点击最小化：主窗口已隐藏（未销毁），可通过托盘恢复。");
    return true;
  }
  if (message.Msg == WM_MOVE) {
    if (FWVWindowParent) FWVWindowParent->ParentWindowMoved();
    return false;
  }
  // Activation (Alt+Tab, a taskbar click) gives the frame the focus; the page must have it.
  if ((message.Msg == WM_ACTIVATE && (message.WParam & 0xFFFF) != WA_INACTIVE) || message.Msg == WM_SETFOCUS) {
    FocusPage();
    return false;
  }
  if (message.Msg == WM_POWERBROADCAST) {
    if (message.WParam == PBT_APMRESUMEAUTOMATIC || message.WParam == PBT_APMRESUMESUSPEND) {
      Log("检测到系统休眠恢复事件，准备调用前端 handleSystemResume。");
      StartResumeThread();
    }
    message.Result = 1;
    return true;
  }
  return false;
}

}  // namespace vantreel
