// The main window: owns the web bundle, the tray icon, the loading overlay and the browser
// objects, starts the browser at first show, serves the bundle to it from memory, hands page
// messages to the bridge and forwards the wake-from-sleep notice to the page. It reaches the
// windowing system only through IMainFormUi and the browser only through IBrowserFactory and
// the interfaces of browser/WebViewHost.h.
//
// What it promises:
// - One thread. Every step runs on the user-interface thread. The only other threads are the
//   short-lived resume thread, which holds nothing of the window but a cleared-on-destruction
//   pointer and posts its notice back to the UI thread, and the bundle's preparation worker,
//   which holds nothing of the window at all.
// - Re-entrant steps. A DoShow that arrives while the start-up pumps messages returns at once.
//   Showing the window again after a failed start-up starts the browser again (the failed
//   run's host control and browser are kept until destruction). A failed page process, or
//   a page reported unresponsive for kUnresponsiveReloadMs, is reopened until it has failed
//   kProcessFailureLimit times within kProcessFailureWindowMs; this window is the only place
//   that counts failures.
//   The overlay may be shown and hidden any number of times. A resume notice may arrive at
//   any moment, before the page is there or after the window has gone.
// - Release order. The destructor first detaches from the UI and the resume thread, then
//   drops the bundle, then the overlay's timer, label and panel, the tray icon, the browsers
//   (current, then retired) before the host controls they live in, and last the loader,
//   clearing the process-wide reference to it first.
//
// Not promised: any step called from another thread.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainFormUi.h"
#include "app/WindowMessages.h"
#include "browser/WebViewHost.h"
#include "bundle/UWebAppBundle.h"

namespace vantreel {

namespace test {
class TMainFormPeer;
}

class TMainForm final : public IMainFormEvents {
 public:
  // Registers itself as `ui`'s event sink once built. Both references must outlive the window.
  TMainForm(IMainFormUi& ui, IBrowserFactory& browserFactory);
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // What the backend delivers.
  void DoShow() override;
  void Resize() override;
  bool WndProc(TMessage& message) override;
  void LogMessage(const std::string& message) override;

  // A larger page message is dropped unread with one log line: room for the largest image a
  // service accepts (32 MB decoded, about 43 MB as Base64) and its request around it.
  static constexpr std::size_t kMaxWebMessageBytes = 64u << 20;
  // The page's process is reopened after it fails, unless it failed this often lately.
  static constexpr std::size_t kProcessFailureLimit = 3;
  static constexpr std::uint32_t kProcessFailureWindowMs = 60000;
  // After that, the page is tried again by itself after these pauses (the last one repeats),
  // so that a passing fault needs nobody at the computer. A page that, once tried again, runs
  // a whole failure window without failing starts the count afresh.
  static constexpr std::array<std::uint32_t, 5> kRecoveryPausesMs = {30000, 60000, 120000, 300000, 600000};
  // A page that keeps being reported unresponsive for this long counts as failed and is
  // reopened. Reports further apart than the gap belong to separate hangs.
  static constexpr std::uint32_t kUnresponsiveReloadMs = 15000;
  static constexpr std::uint32_t kUnresponsiveGapMs = 10000;

  // Where tests receive the composed log lines.
  using TLogSink = std::function<void(const std::string& line)>;

 private:
  // Tests reach the inner steps through this one peer (tests/app/MainFormPeer.h).
  friend class test::TMainFormPeer;

  // Diagnostic log: "yyyy-mm-dd hh:nn:ss.zzz | message" in local time, sent nowhere (stderr
  // when built with VANTREEL_LOG_STDERR).
  void Log(const std::string& message) const;
  static std::string ComposeLogLine(const std::tm& localTime, int milliseconds, std::string_view message);
  // Tests receive every composed line; an empty function restores the default.
  static void SetLogSinkForTesting(TLogSink sink);
  // Windows built after this load their bundle from `source` instead of the executable's own
  // resource; nullopt restores that.
  static void SetWebBundleSourceForTesting(std::optional<TWebBundleSource> source);

  // Interface language and strings.
  std::string DetectUiLanguage() const;
  std::string GetText(std::string_view key) const;
  void ApplyUiLanguage();

  // Loading overlay.
  void ShowLoadingOverlay(const std::string& reason);
  void HideLoadingOverlay(const std::string& reason);
  // At a start-up failure, before its message box, so that it shows behind the box: the
  // overlay stops counting and says that loading failed and what the user can do, the text
  // of `hintKey` (retry by showing the window again, restart, install the runtime...).
  void ShowLoadingFailure(std::string_view hintKey);
  // For a failure code that a person can act on (the runtime or its loader missing, a folder
  // that cannot be written): what to do, in the interface language, with the code at the end.
  // Otherwise `message` as it is.
  std::string StartupFailureDetail(HResult code, const std::string& message) const;
  // The overlay's advice for that code when retrying cannot mend it.
  static std::string_view StartupFailureHint(HResult code);
  void UpdateLoadingText();
  void LoadingTimerTick();

  // Tray icon and window state.
  void TrayIconDblClick();

  // Browser start-up.
  struct TStartupFailure;
  void EnsureWebViewCreated();
  void CreateHostControl();
  IWebViewLoader& PrepareLoader();
  void WaitForLoader(IWebViewLoader& loader);
  void CreateBrowserWith(IWebViewLoader& loader);
  static std::string GetWebViewCacheDir();
  // The URL the page opens at; the bundle is loaded by then (OpenEntryPage).
  std::string ResolveEntryUrl();
  void OnBrowserAfterCreated();
  void OnBrowserInitializationError(HResult errorCode, const std::string& errorMessage);
  // The page's process ended: reopen the entry page, unless it ended this often lately.
  void OnBrowserProcessFailed(const std::string& reason);
  // The page kept failing: say so on the overlay (and once in a box) and try again later.
  void RetryPageLater(const std::string& reason);
  // The page stopped answering (reported again every few seconds while it stays so).
  void OnBrowserProcessUnresponsive(const std::string& reason);
  // Hands the keyboard focus on to the page, once there is one.
  void FocusPage();

  // Serving the bundle.
  void EnsureWebBundleLoaded();
  void InstallWebResourceFilter();
  void OnBrowserWebResourceRequested(IWebResourceRequestedEventArgs& args);

  // Page messages and the resume notice.
  void OnBrowserWebMessageReceived(IWebMessageReceivedEventArgs& args);
  void HandleWebMessage(const std::string& text);
  void SendReplyToPage(const std::string& text);
  void InjectSystemResumeListener();
  void NotifySystemResume();
  // What a page-script submission logs: when there is no page to run it, when it was handed
  // over or refused, and before the text of an exception.
  struct TScriptLog {
    const char* noPage;
    const char* submitted;
    const char* refused;
    const char* exception;
  };
  void SubmitPageScript(std::string_view script, const TScriptLog& log);

  void CreateTrayIcon();
  void StartLoaderEarly();
  void StartLoader(bool cacheFolderRequired);
  void ClaimProcessLoader();
  void ReleaseLoader();
  void BindBrowserEvents();
  void ApplyReleaseSettings();
  void ConfirmReleaseSettings();
  void OpenEntryPage();
  void StartResumeThread();

  IMainFormUi& FUi;
  IBrowserFactory& FBrowserFactory;

  std::unique_ptr<IWebBrowser> FWVBrowser;
  std::unique_ptr<IWindowParent> FWVWindowParent;
  std::unique_ptr<IWebViewLoader> FWVLoader;
  bool FInitCompleted = false;
  bool FWebViewCreated = false;
  std::unique_ptr<ILoadingPanel> FLoadingPanel;
  std::unique_ptr<ILoadingLabel> FLoadingLabel;
  std::uint32_t FLoadingStartTick = 0;
  std::int32_t FLoadingDotIndex = 0;
  bool FLoadingFailed = false;
  std::unique_ptr<IUiTimer> FTimerDelayNav;
  std::unique_ptr<ITrayIcon> FTrayIcon;
  std::unique_ptr<TWebAppBundle> FWebBundle;
  bool FWebResourceFilterInstalled = false;
  std::string FUiLanguage;
  std::vector<std::uint32_t> FProcessFailureTicks;
  // Rounds of trying again later since the page last ran a whole failure window; the timer
  // of the next one.
  std::size_t FRecoveryRound = 0;
  std::uint32_t FRecoveryReopenedTick = 0;
  std::unique_ptr<IUiTimer> FRecoveryTimer;
  // First and latest report of the current hang; 0 when the page is not known to hang.
  std::uint32_t FUnresponsiveSinceTick = 0;
  std::uint32_t FUnresponsiveLastTick = 0;

  // A retried start-up makes a new host control and browser; the window keeps owning the
  // ones of the failed run until it is destroyed.
  std::vector<std::unique_ptr<IWindowParent>> FRetiredWindowParents;
  std::vector<std::unique_ptr<IWebBrowser>> FRetiredBrowsers;

  // The only thing a resume thread holds of the window. The destructor clears it, so a
  // notice still pending then finds no window and is dropped.
  std::shared_ptr<TMainForm*> FResumeTarget = std::make_shared<TMainForm*>(this);
};

}  // namespace vantreel
