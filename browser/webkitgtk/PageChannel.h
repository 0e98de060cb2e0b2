// The page's side of the message channel, shaped like WebView2's so that one web application
// runs unchanged on both platforms: window.chrome.webview.postMessage(value) hands the host
// JSON.stringify(value) (what WebView2 reports as WebMessageAsJson), and "message" events
// carry as `data` the string that the host posted.
#pragma once

namespace vantreel::webkitgtk {

// The script-message handler name that the document-start script posts through.
inline constexpr const char* kScriptMessageHandler = "vantreel";

// Runs at document start in the top frame.
extern const char* const kPageChannelScript;

// Body for webkit_web_view_call_async_javascript_function with one argument `parts`: an
// object whose keys "0", "1", ... hold the message's NUL-separated parts.
extern const char* const kDeliverMessageBody;
// The common case: a string without NUL that is valid UTF-8 arrives whole as `m`.
extern const char* const kDeliverPlainMessageBody;

}  // namespace vantreel::webkitgtk
