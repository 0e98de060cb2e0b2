#include "app/ResumeScripts.h"

namespace vantreel {

// The module is looked for in three places, in this order: the page's communication service,
// a global instance, and any window property that looks like a communication module (it has
// initialize, connect and handleSystemResume). Errors while probing one property are ignored
// so that one hostile getter cannot stop the search.
const std::string_view kSystemResumeListenerScript = R"JS((function () {
  try {
    if (window.__pcSystemResumeListenerInstalled) {
      return 'already installed';
    }
    window.addEventListener('pcSystemResume', async function () {
      try {
        console.log('[系统恢复] 收到 pcSystemResume 事件，开始查找 CommunicationModule 实例...');
        var module = null;
        if (window.communicationService && window.communicationService._communicationModule &&
            window.communicationService._communicationModule.value) {
          module = window.communicationService._communicationModule.value;
        }
        if (module && typeof module.handleSystemResume === 'function') {
          await module.handleSystemResume();
          console.log('[系统恢复] 已通过 communicationService 调用 handleSystemResume');
          return;
        }
        if (window.commModuleInstance && typeof window.commModuleInstance.handleSystemResume === 'function') {
          await window.commModuleInstance.handleSystemResume();
          console.log('[系统恢复] 已通过全局实例调用 handleSystemResume');
          return;
        }
        for (var key in window) {
          try {
            var candidate = window[key];
            if (candidate !== null && typeof candidate === 'object' &&
                typeof candidate.handleSystemResume === 'function' &&
                typeof candidate.initialize === 'function' &&
                typeof candidate.connect === 'function') {
              await candidate.handleSystemResume();
              console.log('[系统恢复] 已通过 window.' + key + ' 调用 handleSystemResume');
              return;
            }
          } catch (ignored) {
          }
        }
        console.warn('[系统恢复] 未找到 CommunicationModule 实例，无法调用 handleSystemResume');
      } catch (error) {
        console.error('[系统恢复] 调用 handleSystemResume 时出错:', error);
      }
    });
    window.__pcSystemResumeListenerInstalled = true;
    console.log('[系统恢复] PC WebView 环境：已安装 pcSystemResume 事件监听器');
    return 'success: listener installed';
  } catch (e) {
    return 'error: ' + e.message;
  }
})();)JS";

const std::string_view kSystemResumeDispatchScript = R"JS((function () {
  try {
    window.dispatchEvent(new CustomEvent('pcSystemResume'));
    return 'success: pcSystemResume event dispatched';
  } catch (e) {
    return 'error: ' + e.message;
  }
})();)JS";

}  // namespace vantreel
