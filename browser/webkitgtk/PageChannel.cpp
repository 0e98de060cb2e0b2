#include "browser/webkitgtk/PageChannel.h"

namespace vantreel::webkitgtk {

const char* const kPageChannelScript = R"JS((() => {
  'use strict';
  if (window.chrome && window.chrome.webview) return;
  // The handler lives in another script world; the two worlds share only the DOM, so the
  // text crosses as a string on an event of the document, read there synchronously.
  const doc = document;
  const post = (json) => doc.dispatchEvent(new CustomEvent('vantreel-bridge-post', { detail: json }));
  const target = new EventTarget();
  const webview = {
    postMessage(value) {
      const json = JSON.stringify(value);
      if (json === undefined) throw new TypeError('chrome.webview.postMessage: the value has no JSON form');
      post(json);
    },
    addEventListener(type, listener, options) { target.addEventListener(type, listener, options); },
    removeEventListener(type, listener, options) { target.removeEventListener(type, listener, options); },
  };
  if (!window.chrome) window.chrome = {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, enumerable: true });
  // Not enumerable, so that page code walking window's properties never meets it.
  Object.defineProperty(window, '__vantreelDeliver', {
    value: (data) => { target.dispatchEvent(new MessageEvent('message', { data })); },
  });
})();)JS";

const char* const kBridgeRelayScript = R"JS((() => {
  'use strict';
  const channel = window.webkit.messageHandlers.vantreel;
  document.addEventListener('vantreel-bridge-post', (event) => {
    if (typeof event.detail === 'string') channel.postMessage(event.detail);
  });
})();)JS";

const char* const kDeliverPlainMessageBody = "window.__vantreelDeliver(m);";

const char* const kDeliverMessageBody =
    "const n = Object.keys(parts).length; const all = [];"
    "for (let i = 0; i < n; ++i) all.push(parts[i]);"
    "window.__vantreelDeliver(all.join('\\u0000'));";

}  // namespace vantreel::webkitgtk
