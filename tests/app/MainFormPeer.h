// The tests' one way into the main window's inner steps and state. The program itself sees
// only what the backends deliver; tests drive single steps and read the fields through here.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "app/UMainForm.h"

namespace vantreel::test {

class TMainFormPeer {
 public:
  // A handle, cheap to copy; the window must outlive it.
  TMainFormPeer(TMainForm& form) : FForm(&form) {}  // NOLINT: implicit, so that `TMainFormPeer f = Make();` reads naturally

  TMainForm& Form() const { return *FForm; }

  // What the backend delivers.
  void DoShow() const { FForm->DoShow(); }
  void Resize() const { FForm->Resize(); }
  bool WndProc(TMessage& message) const { return FForm->WndProc(message); }
  void LogMessage(const std::string& message) const { FForm->LogMessage(message); }

  // The log and the bundle's source.
  void Log(const std::string& message) const { FForm->Log(message); }
  static std::string ComposeLogLine(const std::tm& localTime, int milliseconds, std::string_view message) {
    return TMainForm::ComposeLogLine(localTime, milliseconds, message);
  }
  static void SetLogSink(TMainForm::TLogSink sink) { TMainForm::SetLogSinkForTesting(std::move(sink)); }
  static void SetWebBundleSource(std::optional<TWebBundleSource> source) {
    TMainForm::SetWebBundleSourceForTesting(std::move(source));
  }

  // Language and strings.
  std::string DetectUiLanguage() const { return FForm->DetectUiLanguage(); }
  std::string GetText(std::string_view key) const { return FForm->GetText(key); }
  void ApplyUiLanguage() const { FForm->ApplyUiLanguage(); }

  // Loading overlay, tray icon.
  void ShowLoadingOverlay(const std::string& reason) const { FForm->ShowLoadingOverlay(reason); }
  void HideLoadingOverlay(const std::string& reason) const { FForm->HideLoadingOverlay(reason); }
  void ShowLoadingFailure(std::string_view hintKey) const { FForm->ShowLoadingFailure(hintKey); }
  void UpdateLoadingText() const { FForm->UpdateLoadingText(); }
  void LoadingTimerTick() const { FForm->LoadingTimerTick(); }
  void TrayIconDblClick() const { FForm->TrayIconDblClick(); }

  // Browser start-up, serving, page messages.
  void EnsureWebViewCreated() const { FForm->EnsureWebViewCreated(); }
  static std::string GetWebViewCacheDir() { return TMainForm::GetWebViewCacheDir(); }
  std::string ResolveEntryUrl() const { return FForm->ResolveEntryUrl(); }
  void OnBrowserAfterCreated() const { FForm->OnBrowserAfterCreated(); }
  void OnBrowserInitializationError(HResult errorCode, const std::string& errorMessage) const {
    FForm->OnBrowserInitializationError(errorCode, errorMessage);
  }
  void OnBrowserProcessFailed(const std::string& reason) const { FForm->OnBrowserProcessFailed(reason); }
  void EnsureWebBundleLoaded() const { FForm->EnsureWebBundleLoaded(); }
  void InstallWebResourceFilter() const { FForm->InstallWebResourceFilter(); }
  void OnBrowserWebResourceRequested(IWebResourceRequestedEventArgs& args) const {
    FForm->OnBrowserWebResourceRequested(args);
  }
  void OnBrowserWebMessageReceived(IWebMessageReceivedEventArgs& args) const { FForm->OnBrowserWebMessageReceived(args); }
  void HandleWebMessage(const std::string& text) const { FForm->HandleWebMessage(text); }
  void SendReplyToPage(const std::string& text) const { FForm->SendReplyToPage(text); }
  void InjectSystemResumeListener() const { FForm->InjectSystemResumeListener(); }
  void NotifySystemResume() const { FForm->NotifySystemResume(); }

  // Read-only views of the fields.
  IWebBrowser* WVBrowser() const { return FForm->FWVBrowser.get(); }
  IWindowParent* WVWindowParent() const { return FForm->FWVWindowParent.get(); }
  IWebViewLoader* WVLoader() const { return FForm->FWVLoader.get(); }
  bool InitCompleted() const { return FForm->FInitCompleted; }
  bool WebViewCreated() const { return FForm->FWebViewCreated; }
  bool LoadingOverlayShown() const { return FForm->FLoadingPanel != nullptr; }
  std::uint32_t LoadingStartTick() const { return FForm->FLoadingStartTick; }
  std::int32_t LoadingDotIndex() const { return FForm->FLoadingDotIndex; }
  bool LoadingTimerRunning() const { return FForm->FTimerDelayNav != nullptr; }
  ITrayIcon* TrayIcon() const { return FForm->FTrayIcon.get(); }
  TWebAppBundle* WebBundle() const { return FForm->FWebBundle.get(); }
  bool WebResourceFilterInstalled() const { return FForm->FWebResourceFilterInstalled; }
  const std::string& UiLanguage() const { return FForm->FUiLanguage; }

 private:
  TMainForm* FForm;
};

}  // namespace vantreel::test
