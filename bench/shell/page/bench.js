// Round trips page -> host -> page, timed here with performance.now(). The host calls
// benchRoundTrips(n) and gets back every round trip in milliseconds.
//  - The client: chrome.webview.postMessage of a seed request, answered by the bridge.
//  - The bare echo: a script message handler "echo" whose host calls window.benchEcho back.
(() => {
  'use strict';
  let pending = null;

  function settle(text) {
    if (!pending) return;
    const done = pending;
    pending = null;
    done(text);
  }

  const client = window.chrome && window.chrome.webview;
  if (client) client.addEventListener('message', (event) => settle(event.data));
  window.benchEcho = (text) => settle(text);

  // As the application posts: an object for the client's channel; the bare echo takes the
  // same request as its JSON text.
  function post(id) {
    const request = { type: 'auth_seed_request', requestId: id };
    if (client) client.postMessage(request);
    else window.webkit.messageHandlers.echo.postMessage(JSON.stringify(request));
  }

  function once(id) {
    return new Promise((resolve, reject) => {
      pending = (reply) => {
        if (reply.indexOf('"requestId":"' + id + '"') < 0) reject(new Error('reply to another request: ' + reply));
        else resolve();
      };
      post(id);
    });
  }

  // The smallest step performance.now() shows, so that the host can tell whether the
  // clock is fine enough for the figures it reads.
  window.benchClockStep = () => {
    let step = Infinity;
    let last = performance.now();
    const until = last + 50;
    for (let now = last; now < until; now = performance.now()) {
      if (now > last) { step = Math.min(step, now - last); last = now; }
    }
    return step;
  };

  // The clock may be coarse (WebKit rounds performance.now() to whole milliseconds outside
  // cross-origin isolation); the whole run's time, kept in benchLastTotalMs, still gives an
  // exact mean.
  window.benchRoundTrips = async (n) => {
    const times = new Array(n);
    const first = performance.now();
    for (let i = 0; i < n; ++i) {
      const start = performance.now();
      await once(String(i));
      times[i] = performance.now() - start;
    }
    window.benchLastTotalMs = performance.now() - first;
    return times;
  };
})();
