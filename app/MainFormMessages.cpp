// Page messages and the resume notice: each message the page posts goes to the bridge and
// its reply back to the page; a wake from sleep reaches the page one second later as the DOM
// event pcSystemResume.
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "app/ResumeScripts.h"
#include "app/UMainForm.h"
#include "bridge/UWebViewBridge.h"
#include "crypto/Wipe.h"
#include "json/PostedString.h"

namespace vantreel {
namespace {

constexpr auto kResumeDelay = std::chrono::milliseconds(1000);

}  // namespace

void TMainForm::OnBrowserWebMessageReceived(IWebMessageReceivedEventArgs& args) {
  std::string json;
  if (!Succeeded(args.GetWebMessageAsJson(json))) return;
  if (json.size() > kMaxWebMessageBytes) {
    Log("页面消息过大，已丢弃：" + std::to_string(json.size()) + " 字节（上限 " +
        std::to_string(kMaxWebMessageBytes) + " 字节）");
    return;
  }
  if (FLoadingPanel) HideLoadingOverlay("OnBrowserWebMessageReceived: 收到前端消息");
  HandleWebMessage(UnwrapPostedString(std::move(json)));
}

void TMainForm::HandleWebMessage(const std::string& text) {
  std::string reply;
  // A reply may carry the seed, a token or an answer; once posted it is no longer needed.
  TWipeOnExit wipe(reply);
  if (ProcessWebMessage(text, reply)) SendReplyToPage(reply);
}

void TMainForm::SendReplyToPage(const std::string& text) {
  if (!FInitCompleted || !FWVBrowser) return;
  FWVBrowser->PostWebMessageAsString(text);
}

void TMainForm::SubmitPageScript(std::string_view script, const TScriptLog& log) {
  if (!FWVBrowser || !FWVBrowser->HasCoreWebView2()) {
    Log(log.noPage);
    return;
  }
  try {
    Log(FWVBrowser->ExecuteScript(std::string(script), 0) ? log.submitted : log.refused);
  } catch (const std::exception& e) {
    Log(std::string(log.exception) + e.what());
  }
}

void TMainForm::InjectSystemResumeListener() {
  SubmitPageScript(kSystemResumeListenerScript, {"注入系统恢复监听器：WebView2 尚未就绪，跳过注入。",
                                                 "注入系统恢复监听器：JavaScript 代码已提交执行",
                                                 "注入系统恢复监听器：JavaScript 代码执行失败（WebView 可能未就绪）",
                                                 "注入系统恢复监听器异常："});
}

void TMainForm::NotifySystemResume() {
  if (!FInitCompleted) {
    Log("系统恢复：WebView 尚未初始化完成，跳过 handleSystemResume 调用。");
    return;
  }
  SubmitPageScript(kSystemResumeDispatchScript, {"系统恢复：WebView2 尚未就绪，跳过 handleSystemResume 调用。",
                                                 "系统恢复：已执行 JavaScript 触发 pcSystemResume 事件",
                                                 "系统恢复：JavaScript 代码执行失败（WebView 可能未就绪）",
                                                 "系统恢复：调用 handleSystemResume 异常 = "});
}

void TMainForm::StartResumeThread() {
  TUiThreadInvoker invoke = FUi.UiThreadInvoke();
  std::shared_ptr<TMainForm*> target = FResumeTarget;
  try {
    std::thread([invoke = std::move(invoke), target = std::move(target)] {
      std::this_thread::sleep_for(kResumeDelay);
      // Runs on the user-interface thread, where the destructor also clears the target.
      invoke([target] {
        if (TMainForm* form = *target) form->NotifySystemResume();
      });
    }).detach();
  } catch (const std::system_error& e) {
    Log(std::string("系统恢复：无法启动恢复线程：") + e.what());
  }
}

}  // namespace vantreel
