// The page's side of the message channel, shaped like WebView2's so that one web application
// runs unchanged on both platforms: window.chrome.webview.postMessage(value) hands the host
// JSON.stringify(value) (what WebView2 reports as WebMessageAsJson), and "message" events
// carry as `data` the string that the host posted.
#pragma once

namespace vantreel::webkitgtk {

// The script-message handler name that the relay posts through. It exists only in the
// bridge's own script world, so no page script, and no frame of another origin, can reach it.
inline constexpr const char* kScriptMessageHandler = "vantreel";
inline constexpr const char* kBridgeWorld = "vantreel-bridge";

// Runs at document start in the page's world of the top frame, on the bundle origin only.
extern const char* const kPageChannelScript;
// Runs at document start in the bridge world of the same frame: hands each message that
// the page's channel raised to the handler.
extern const char* const kBridgeRelayScript;

// Body for webkit_web_view_call_async_javascript_function with one argument `parts`: an
// object whose keys "0", "1", ... hold the message's NUL-separated parts.
extern const char* const kDeliverMessageBody;
// The common case: a string without NUL that is valid UTF-8 arrives whole as `m`.
extern const char* const kDeliverPlainMessageBody;

}  // namespace vantreel::webkitgtk
