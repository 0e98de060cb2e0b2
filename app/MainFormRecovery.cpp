// A page whose web process died shows a frozen picture that answers nothing. The window
// shows its overlay and opens the entry page again, which starts a new web process; when
// the process keeps dying, it reports the failure once like any other start-up failure, says
// so on the overlay and tries again after growing pauses.
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
  // A page tried again later that then ran a whole failure window starts the count afresh.
  if (FRecoveryRound > 0 && now - FRecoveryReopenedTick >= kProcessFailureWindowMs) {
    FRecoveryRound = 0;
    FProcessFailureTicks.clear();
  }
  std::erase_if(FProcessFailureTicks, [now](std::uint32_t at) { return now - at >= kProcessFailureWindowMs; });
  FProcessFailureTicks.push_back(now);
  Log("Web 进程已终止：" + reason + "（" + std::to_string(FProcessFailureTicks.size()) + " 次/" +
      std::to_string(kProcessFailureWindowMs / 1000) + " 秒）");
  if (FRecoveryRound > 0 || FProcessFailureTicks.size() >= kProcessFailureLimit) {
    RetryPageLater(reason);
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

void TMainForm::RetryPageLater(const std::string& reason) {
  const std::uint32_t pause = kRecoveryPausesMs[std::min(FRecoveryRound, kRecoveryPausesMs.size() - 1)];
  ++FRecoveryRound;
  if (FRecoveryRound == 1) Log("Web 进程反复终止，停止恢复。");
  Log("Web 进程反复终止：" + std::to_string(pause / 1000) + " 秒后重新打开入口页（第 " +
      std::to_string(FRecoveryRound) + " 次）");
  // The overlay instead of a blank page, with what is going on.
  ShowLoadingOverlay("OnBrowserProcessFailed: 稍后重试");
  ShowLoadingFailure("loading.page_retry_hint");
  FRecoveryTimer = FUi.CreateTimer(pause, [this] {
    FRecoveryTimer->SetEnabled(false);
    FRecoveryReopenedTick = FUi.TickCount();
    Log("重新打开入口页（反复终止后的第 " + std::to_string(FRecoveryRound) + " 次重试）");
    ShowLoadingOverlay("OnBrowserProcessFailed: 重新加载入口页");
    try {
      OpenEntryPage();
    } catch (const std::exception& e) {
      Log(std::string("加载入口 URL 异常：") + e.what());
    }
  });
  FRecoveryTimer->SetEnabled(true);
  // Said once; the overlay says the rest.
  if (FRecoveryRound == 1) FUi.ShowMessageBox(GetText("err.webview_init") + reason);
}

// A page in an endless script answers nothing but its process lives on, so nothing else would
// ever replace it. Short stalls (a busy machine) pass: only a hang that is still reported
// kUnresponsiveReloadMs after its first report is ended, and then treated like a crash (the
// browser reports it as one once its process is gone).
void TMainForm::OnBrowserProcessUnresponsive(const std::string& reason) {
  // Tick 0 stands for "none"; a report at exactly that tick counts from the next one.
  const std::uint32_t now = FUi.TickCount() | 1u;
  if (FUnresponsiveSinceTick == 0 || now - FUnresponsiveLastTick > kUnresponsiveGapMs) {
    FUnresponsiveSinceTick = now;
    Log("Web 页面无响应：" + reason);
  }
  FUnresponsiveLastTick = now;
  const std::uint32_t hungMs = now - FUnresponsiveSinceTick;
  if (hungMs < kUnresponsiveReloadMs || !FWVBrowser) return;
  FUnresponsiveSinceTick = 0;
  FUnresponsiveLastTick = 0;
  FWVBrowser->EndUnresponsivePage(reason + " (" + std::to_string(hungMs / 1000) + " s)");
}

void TMainForm::FocusPage() {
  if (FWVBrowser && FWVBrowser->HasCoreWebView2()) FWVBrowser->MoveFocus();
}

}  // namespace vantreel
