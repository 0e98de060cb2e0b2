// A page whose web process died shows a frozen picture that answers nothing. The window
// shows its overlay and opens the entry page again, which starts a new web process; when
// the process keeps dying, it stops and reports the failure like any other start-up failure.
#include <algorithm>
#include <exception>
#include <string>

#include "app/UMainForm.h"

namespace vantreel {

void TMainForm::OnBrowserProcessFailed(const std::string& reason) {
  FUnresponsiveSinceTick = 0;
  FUnresponsiveLastTick = 0;
  const std::uint32_t now = FUi.TickCount();
  // Unsigned differences, as for the overlay: a wrap of the tick counter does no harm.
  std::erase_if(FProcessFailureTicks, [now](std::uint32_t at) { return now - at >= kProcessFailureWindowMs; });
  FProcessFailureTicks.push_back(now);
  Log("Web 进程已终止：" + reason + "（" + std::to_string(FProcessFailureTicks.size()) + " 次/" +
      std::to_string(kProcessFailureWindowMs / 1000) + " 秒）");
  if (FProcessFailureTicks.size() >= kProcessFailureLimit) {
    Log("Web 进程反复终止，停止恢复。");
    if (FLoadingPanel) HideLoadingOverlay("OnBrowserProcessFailed: 停止恢复");
    FUi.ShowMessageBox(GetText("err.webview_init") + reason);
    return;
  }
  ShowLoadingOverlay("OnBrowserProcessFailed: 重新加载入口页");
  try {
    OpenEntryPage();
  } catch (const std::exception& e) {
    Log(std::string("加载入口 URL 异常：") + e.what());
    FUi.ShowMessageBox(GetText("err.navigate_entry") + e.what());
  }
}

// A page in an endless script answers nothing but its process lives on, so nothing else would
// ever replace it. Short stalls (a busy machine) pass: only a hang that is still reported
// kUnresponsiveReloadMs after its first report is treated like a crash.
void TMainForm::OnBrowserProcessUnresponsive(const std::string& reason) {
  // Tick 0 stands for "none"; a report at exactly that tick counts from the next one.
  const std::uint32_t now = FUi.TickCount() | 1u;
  if (FUnresponsiveSinceTick == 0 || now - FUnresponsiveLastTick > kUnresponsiveGapMs) {
    FUnresponsiveSinceTick = now;
    Log("Web 页面无响应：" + reason);
  }
  FUnresponsiveLastTick = now;
  const std::uint32_t hungMs = now - FUnresponsiveSinceTick;
  if (hungMs < kUnresponsiveReloadMs) return;
  OnBrowserProcessFailed(reason + " (" + std::to_string(hungMs / 1000) + " s)");
}

void TMainForm::FocusPage() {
  if (FWVBrowser && FWVBrowser->HasCoreWebView2()) FWVBrowser->MoveFocus();
}

}  // namespace vantreel
