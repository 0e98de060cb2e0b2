#!/usr/bin/env python3
"""The Linux half of the WebView2 stand-in: a headless Chromium per environment, driven over
the DevTools pipe, and a loopback TCP line protocol to the stand-in WebView2Loader.dll that
runs under Wine.

Lines are tab-separated fields, each percent-encoded (see quote/unquote), so neither side
needs a JSON parser of its own for the framing. A second listener takes test commands (one
JSON object a line: {"eval": "..."} answers with the page's value, {"renderer": true} with the
renderer's process ids), for tests that read what the page shows.

usage: relay.py --port-file FILE [--control-port-file FILE] [--chromium PATH] [--log FILE]
"""
import argparse
import base64
import itertools
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

LOG = None
LOG_LOCK = threading.Lock()


def log(*parts):
    if LOG is None:
        return
    with LOG_LOCK:
        LOG.write('%.3f %s\n' % (time.time(), ' '.join(str(p) for p in parts)))
        LOG.flush()


def frames(read, separator):
    """The messages of a stream that ends each with `separator`, until it closes or fails."""
    buffer = b''
    while True:
        try:
            chunk = read()
        except OSError:
            return
        if not chunk:
            return
        buffer += chunk
        while separator in buffer:
            raw, buffer = buffer.split(separator, 1)
            yield raw


def quote(text):
    data = text.encode('utf-8') if isinstance(text, str) else text
    out = bytearray()
    for b in data:
        if b < 0x20 or b in (0x25, 0x7f):
            out += b'%%%02X' % b
        else:
            out.append(b)
    return out.decode('utf-8', 'surrogateescape')


def unquote(text):
    data = text.encode('utf-8', 'surrogateescape')
    return re.sub(rb'%([0-9A-Fa-f]{2})', lambda m: bytes([int(m.group(1), 16)]), data).decode('utf-8', 'replace')


# Runs before the page's own scripts in every frame: chrome.webview on a binding that only the
# shim holds. Messages of frames other than the top one are dropped by the relay, as the
# runtime raises those only on the frame's own object.
SHIM = r'''
(() => {
  const post = globalThis.__vantreelStandinPost;
  if (typeof post !== 'function') return;
  delete globalThis.__vantreelStandinPost;
  const target = new EventTarget();
  const webview = {
    postMessage(value) {
      const json = JSON.stringify(value);
      if (json === undefined) throw new TypeError('postMessage: the value has no JSON form');
      post(json);
    },
    addEventListener: target.addEventListener.bind(target),
    removeEventListener: target.removeEventListener.bind(target),
  };
  Object.defineProperty(webview, '__standinDispatch', {
    value: (data) => target.dispatchEvent(new MessageEvent('message', {data})),
  });
  // A headless page is always visible; the controller's IsVisible is what the page sees.
  let hidden = false;
  Object.defineProperty(Document.prototype, 'visibilityState', {get: () => (hidden ? 'hidden' : 'visible')});
  Object.defineProperty(Document.prototype, 'hidden', {get: () => hidden});
  Object.defineProperty(webview, '__standinVisibility', {
    value: (nowHidden) => {
      if (hidden === nowHidden) return;
      hidden = nowHidden;
      document.dispatchEvent(new Event('visibilitychange'));
    },
  });
  if (!globalThis.chrome) globalThis.chrome = {};
  Object.defineProperty(globalThis.chrome, 'webview', {value: webview, enumerable: true});
})();
'''

BINDING = '__vantreelStandinPost'

SPECIAL_KEYS = {
    8: ('Backspace', 'Backspace'), 9: ('Tab', 'Tab'), 13: ('Enter', 'Enter'), 27: ('Escape', 'Escape'),
    33: ('PageUp', 'PageUp'), 34: ('PageDown', 'PageDown'), 35: ('End', 'End'), 36: ('Home', 'Home'),
    37: ('ArrowLeft', 'ArrowLeft'), 38: ('ArrowUp', 'ArrowUp'), 39: ('ArrowRight', 'ArrowRight'),
    40: ('ArrowDown', 'ArrowDown'), 46: ('Delete', 'Delete'), 16: ('Shift', 'ShiftLeft'),
    17: ('Control', 'ControlLeft'), 18: ('Alt', 'AltLeft'),
}


def filter_regex(pattern):
    # The runtime's filters know one wildcard, '*', for any run of characters.
    return re.compile('^' + '.*'.join(re.escape(p) for p in pattern.split('*')) + '$', re.S)


class Chromium:
    """One headless Chromium over --remote-debugging-pipe."""

    def __init__(self, chromium, language, on_event, on_exit):
        self.profile = tempfile.mkdtemp(prefix='vantreel-standin-')
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()
        args = [chromium, '--headless=new', '--remote-debugging-pipe', '--no-sandbox', '--no-first-run',
                '--no-default-browser-check', '--disable-gpu', '--mute-audio', '--hide-scrollbars',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--password-store=basic', '--use-mock-keychain',
                # One renderer for the page and its frames, so that every frame's scripts and
                # messages pass through the page's own session.
                '--disable-site-isolation-trials', '--disable-features=IsolateOrigins,site-per-process',
                '--user-data-dir=' + self.profile]
        if language:
            args += ['--lang=' + language, '--accept-lang=' + language]
        args.append('about:blank')

        env = dict(os.environ)
        if language:
            env['LANGUAGE'] = language.replace('-', '_')
        # The shell puts the pipes where Chromium looks for them, on fds 3 and 4.
        shell = ['bash', '-c', 'exec "$@" 3<&%d 4>&%d %d<&- %d>&-' % (to_child_r, from_child_w, to_child_r, from_child_w),
                 'chromium'] + args
        self.process = subprocess.Popen(shell, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, pass_fds=(to_child_r, from_child_w), env=env,
                                        start_new_session=True)
        os.close(to_child_r)
        os.close(from_child_w)
        log('chromium', self.process.pid, ' '.join(args))
        self.ids = itertools.count(1)
        self.pending = {}
        self.lock = threading.Lock()
        self.write_lock = threading.Lock()
        self.on_event = on_event
        self.on_exit = on_exit
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in frames(lambda: os.read(self.from_child, 1 << 20), b'\0'):
            message = json.loads(raw)
            if 'id' in message:
                with self.lock:
                    callback = self.pending.pop(message['id'], None)
                if callback:
                    callback(message.get('result'), message.get('error'))
            else:
                self.on_event(message)
        log('chromium pipe closed')
        self.on_exit()

    def send(self, method, params=None, session=None, callback=None):
        message = {'id': next(self.ids), 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        if callback:
            with self.lock:
                self.pending[message['id']] = callback
        data = json.dumps(message).encode() + b'\0'
        # Several threads send; a message longer than the pipe's buffer is written in parts,
        # which must not interleave with another's.
        with self.write_lock:
            try:
                view = memoryview(data)
                while view:
                    view = view[os.write(self.to_child, view):]
            except OSError as e:
                log('write to chromium failed', e)
        return message['id']

    def call(self, method, params=None, session=None, timeout=30):
        done = threading.Event()
        box = {}

        def callback(result, error):
            box['result'], box['error'] = result, error
            done.set()

        self.send(method, params, session, callback)
        if not done.wait(timeout):
            raise TimeoutError(method)
        if box['error']:
            raise RuntimeError('%s: %s' % (method, box['error']))
        return box['result']

    def close(self):
        try:
            self.process.terminate()
            self.process.wait(5)
        except Exception:
            try:
                self.process.kill()
            except Exception:
                pass
        # A renderer stuck in a script may outlive its browser for a while: the whole group goes.
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except OSError:
            pass
        shutil.rmtree(self.profile, ignore_errors=True)


class Environment:
    """One connection of the DLL: an environment, at most one controller and its browser."""

    def __init__(self, relay, conn):
        self.relay = relay
        self.conn = conn
        self.send_lock = threading.Lock()
        self.language = ''
        self.filters = []
        self.navigation = 0
        self.navigations = itertools.count(1)
        self.metrics = (1280, 820, 1.0)
        self.visible = True
        self.last_frame = 0.0
        self.painted = 0.0  # how recent the page was in the view's last picture
        self.closed = False
        # Each controller has a browser of its own; what an earlier one still says is dropped.
        self.generation = 0
        self.last_unresponsive = 0.0
        self.origin = (0, 0)
        self.frames = 0
        self.browser = None
        self.forget_controller()

    def forget_controller(self):
        # What belongs to one controller and its browser.
        self.session = self.target = None
        self.contexts = {}  # execution context id -> frame id
        self.main_url = ''
        self.screencasting = False
        self.heartbeat_sent = None
        self.popups = {}
        self.popup_sessions = set()

    # --- the DLL side
    def send(self, *fields):
        line = '\t'.join(quote(str(f)) for f in fields) + '\n'
        with self.send_lock:
            try:
                self.conn.sendall(line.encode('utf-8', 'surrogateescape'))
            except OSError:
                pass

    def run(self):
        for raw in frames(lambda: self.conn.recv(1 << 20), b'\n'):
            fields = [unquote(f) for f in raw.decode('utf-8', 'surrogateescape').split('\t')]
            try:
                self.command(fields)
            except Exception as e:  # a failed command is logged; the connection lives on
                log('command failed', fields[0], repr(e))
        log('dll connection closed')
        self.close()

    def close(self):
        if self.closed:
            return
        self.closed = True
        self.close_controller()
        self.relay.environments.discard(self)

    def close_controller(self):
        # The controller's browser goes with it, hung renderer and all; the environment may
        # make another controller.
        self.generation += 1
        browser, self.browser = self.browser, None
        self.forget_controller()
        if browser:
            browser.close()

    def command(self, fields):
        verb = fields[0]
        log('<', verb, *[f[:120] for f in fields[1:]])
        if verb == 'hello':
            arguments, option_language = fields[1], fields[2]
            accept = re.search(r'--accept-lang=([A-Za-z-]+)', arguments)
            self.language = accept.group(1).split(',')[0] if accept else option_language
            self.send('version', self.relay.version)
        elif verb == 'controller':
            width, height, scale = int(fields[1]), int(fields[2]), float(fields[3])
            self.metrics = (width, height, scale)
            threading.Thread(target=self.open_controller, daemon=True).start()
        elif verb == 'filter':
            self.filters.append(filter_regex(fields[1]))
        elif verb == 'navigate':
            self.cdp('Page.navigate', {'url': fields[1]})
        elif verb == 'continue':
            self.cdp('Fetch.continueRequest', {'requestId': fields[1]})
        elif verb == 'cancel':
            self.cdp('Fetch.failRequest', {'requestId': fields[1], 'errorReason': 'Aborted'})
        elif verb == 'fulfill':
            request, status, reason, headers, body = fields[1:6]
            pairs = []
            for line in headers.replace('\r', '').split('\n'):
                if ':' in line:
                    name, value = line.split(':', 1)
                    pairs.append({'name': name.strip(), 'value': value.strip()})
            params = {'requestId': request, 'responseCode': int(status), 'responseHeaders': pairs, 'body': body}
            if reason:
                params['responsePhrase'] = reason
            self.cdp('Fetch.fulfillRequest', params)
        elif verb == 'addscript':
            call, source = fields[1], fields[2]
            self.cdp('Page.addScriptToEvaluateOnNewDocument', {'source': source},
                     lambda r, e: self.send('scriptadded', call, 'E' if e else 'S', (r or {}).get('identifier', '')))
        elif verb == 'eval':
            call, source = fields[1], fields[2]
            self.evaluate(source, lambda ok, value: self.send('evaluated', call, 'S', value))
        elif verb == 'post':
            # The text is JSON; JSON.parse keeps it from being anything but data.
            expression = ('window.chrome && chrome.webview && chrome.webview.__standinDispatch(JSON.parse(%s))'
                          % json.dumps(fields[1]))
            self.cdp('Runtime.evaluate', {'expression': expression})
        elif verb == 'bounds':
            self.metrics = (int(fields[1]), int(fields[2]), float(fields[3]))
            self.apply_metrics()
        elif verb == 'visible':
            self.visible = fields[1] == '1'
            self.apply_visibility()
        elif verb == 'focus':
            self.cdp('Emulation.setFocusEmulationEnabled', {'enabled': True})
        elif verb == 'mouse':
            kind, x, y, button, clicks, modifiers = fields[1:7]
            scale = self.metrics[2]
            self.cdp('Input.dispatchMouseEvent', {
                'type': kind, 'x': int(x) / scale, 'y': int(y) / scale, 'button': button,
                'clickCount': int(clicks), 'modifiers': int(modifiers),
                'buttons': 1 if button == 'left' and kind != 'mouseReleased' else 0})
        elif verb == 'wheel':
            x, y, dx, dy = (int(v) for v in fields[1:5])
            scale = self.metrics[2]
            self.cdp('Input.dispatchMouseEvent', {'type': 'mouseWheel', 'x': x / scale, 'y': y / scale,
                                                 'deltaX': dx, 'deltaY': dy})
        elif verb == 'key':
            kind, vk, text, modifiers = fields[1], int(fields[2]), fields[3], int(fields[4])
            params = {'type': kind, 'windowsVirtualKeyCode': vk, 'nativeVirtualKeyCode': vk, 'modifiers': modifiers}
            if vk in SPECIAL_KEYS:
                params['key'], params['code'] = SPECIAL_KEYS[vk]
            if text:
                params['text'] = text
                params['unmodifiedText'] = text
                params['key'] = text
            self.cdp('Input.dispatchKeyEvent', params)
        elif verb == 'newwindow':
            # There is no second window to show one in: handled or not, it goes before it loads.
            target = fields[1]
            self.popups.pop(target, None)
            self.browser.send('Target.closeTarget', {'targetId': target})
        elif verb == 'origin':
            self.origin = (int(fields[1]), int(fields[2]))
        elif verb == 'close':
            self.close_controller()

    # --- the browser side
    def cdp(self, method, params=None, callback=None):
        if self.browser and self.session:
            self.browser.send(method, params, self.session, callback)

    def evaluate(self, source, done):
        def answered(result, error):
            value = 'null'
            if not error and result and 'exceptionDetails' not in result:
                remote = result.get('result', {})
                if 'value' in remote:
                    value = json.dumps(remote['value'], ensure_ascii=False)
            done(not error, value)

        self.cdp('Runtime.evaluate', {'expression': source, 'returnByValue': True}, answered)

    def open_controller(self):
        try:
            self.generation += 1
            generation = self.generation
            browser = Chromium(self.relay.chromium, self.language,
                               lambda message: self.generation == generation and self.on_cdp_event(message),
                               lambda: self.generation == generation and self.on_browser_exit())
            self.browser = browser
            self.target = browser.call('Target.createTarget', {'url': 'about:blank'})['targetId']
            self.session = browser.call('Target.attachToTarget', {'targetId': self.target, 'flatten': True})['sessionId']
            session = self.session
            for method, params in [
                    ('Page.enable', {}), ('Runtime.enable', {}), ('Inspector.enable', {}),
                    ('Runtime.addBinding', {'name': BINDING}),
                    ('Page.addScriptToEvaluateOnNewDocument', {'source': SHIM}),
                    ('Fetch.enable', {'patterns': [{'urlPattern': '*', 'requestStage': 'Request'}]}),
                    ('Emulation.setFocusEmulationEnabled', {'enabled': True}),
                    ('Target.setAutoAttach', {'autoAttach': True, 'waitForDebuggerOnStart': True, 'flatten': True}),
                    ('Page.setDownloadBehavior', {'behavior': 'deny'})]:
                browser.call(method, params, session)
            # New windows wait, before they load anything, for the host to answer.
            browser.call('Target.setAutoAttach', {'autoAttach': True, 'waitForDebuggerOnStart': True, 'flatten': True,
                                                  'filter': [{'type': 'page', 'exclude': False}]})
            self.apply_metrics(wait=True)
            self.apply_visibility()
            self.send('controller', 'S')
            threading.Thread(target=self.heartbeat, args=(generation,), daemon=True).start()
            threading.Thread(target=self.refresh, args=(generation,), daemon=True).start()
        except Exception as e:
            log('controller failed', repr(e))
            self.send('controller', 'E')

    def apply_metrics(self, wait=False):
        width, height, scale = self.metrics
        params = {'width': max(1, round(width / scale)), 'height': max(1, round(height / scale)),
                  'deviceScaleFactor': scale, 'mobile': False}
        if wait:
            self.browser.call('Emulation.setDeviceMetricsOverride', params, self.session)
        else:
            self.cdp('Emulation.setDeviceMetricsOverride', params)
        if self.screencasting:
            self.screencast(False)
            self.screencast(True)

    def screencast(self, on):
        self.screencasting = on
        if on:
            width, height, _ = self.metrics
            self.cdp('Page.startScreencast', {'format': 'png', 'maxWidth': width, 'maxHeight': height})
        else:
            self.cdp('Page.stopScreencast')

    def apply_visibility(self):
        # A hidden controller stops rendering, and the page sees itself hidden.
        self.cdp('Runtime.evaluate', {'expression': 'window.chrome && chrome.webview && chrome.webview.__standinVisibility(%s)'
                                                    % ('false' if self.visible else 'true')})
        self.screencast(self.visible)

    def heartbeat(self, generation):
        # The runtime reports a hung renderer every few seconds while it stays hung.
        while self.generation == generation and self.browser:
            if self.heartbeat_sent is None:
                sent = time.time()
                self.heartbeat_sent = sent

                def answered(result, error, sent=sent):
                    if self.heartbeat_sent == sent:
                        self.heartbeat_sent = None

                self.cdp('Runtime.evaluate', {'expression': '0'}, answered)
            elif time.time() - self.heartbeat_sent > 5 and time.time() - self.last_unresponsive > 5:
                self.last_unresponsive = time.time()
                log('renderer unresponsive')
                self.send('failed', 2)
            time.sleep(0.5)

    def refresh(self, generation):
        # Chromium's screencast now and then stops sending frames of a page that goes on
        # changing (seen after a renderer was killed), and never sends the last picture of a
        # page that then stands still. While no frame has come for a second, the view gets a
        # captured picture of the page as it is, once a second.
        while self.generation == generation and self.browser:
            time.sleep(0.25)
            if not (self.visible and self.screencasting and self.session) or time.time() - self.last_frame < 1:
                continue
            self.last_frame = asked = time.time()
            done = threading.Event()

            def captured(result, error):
                if not error and result and self.generation == generation and self.visible:
                    self.send('frame', result['data'])
                    self.painted = asked
                done.set()

            self.cdp('Page.captureScreenshot', {'format': 'png'}, captured)
            done.wait(10)

    def on_browser_exit(self):
        if not self.closed:
            self.send('failed', 0)

    def on_cdp_event(self, message):
        method = message.get('method')
        params = message.get('params', {})
        if method == 'Target.attachedToTarget' and message.get('sessionId') in (None, self.session):
            # A window the page opened: the runtime asks the host before it loads anything.
            info = params['targetInfo']
            if info.get('type') != 'page' or info.get('openerId') != self.target:
                self.browser.send('Runtime.runIfWaitingForDebugger', {}, params['sessionId'])
                return
            popup = params['sessionId']
            self.popups[info['targetId']] = popup
            self.popup_sessions.add(popup)
            # It goes on only with its requests held, so that nothing of it reaches the network
            # before the host has answered; the page's renderer, which it shares, is not held.
            self.browser.send('Fetch.enable', {'patterns': [{'urlPattern': '*'}]}, popup,
                              lambda result, error: self.browser.send('Runtime.runIfWaitingForDebugger', {}, popup))
            log('new window', info['targetId'], info.get('url', ''))
            if info.get('url') not in ('', 'about:blank'):
                self.send('newwindow', info['targetId'], info['url'])
                self.popups.pop(info['targetId'], None)
            return
        if method == 'Fetch.requestPaused' and message.get('sessionId') in self.popup_sessions:
            url = params['request']['url']
            log('request of a new window held back', url)
            # The window's address is known once it asks for it: the host hears of it then.
            for target, session in list(self.popups.items()):
                if session == message.get('sessionId'):
                    self.popups.pop(target)
                    self.send('newwindow', target, url)
            self.browser.send('Fetch.failRequest', {'requestId': params['requestId'], 'errorReason': 'Aborted'},
                              message['sessionId'])
            return
        if message.get('sessionId') != self.session:
            return
        if method == 'Fetch.requestPaused':
            self.request_paused(params)
        elif method == 'Runtime.executionContextCreated':
            context = params['context']
            self.contexts[context['id']] = (context.get('auxData') or {}).get('frameId')
        elif method == 'Runtime.executionContextDestroyed':
            self.contexts.pop(params.get('executionContextId'), None)
        elif method == 'Runtime.executionContextsCleared':
            self.contexts.clear()
        elif method == 'Runtime.bindingCalled' and params.get('name') == BINDING:
            if self.contexts.get(params['executionContextId']) == self.target:
                with self.relay.lock:
                    if self.relay.hold:
                        self.relay.held.append((self, self.main_url, params['payload']))
                        return
                self.send('message', self.main_url, params['payload'])
            else:
                log('message of a frame dropped')
        elif method == 'Page.frameNavigated':
            frame = params['frame']
            if frame['id'] == self.target:
                self.main_url = frame['url'] + frame.get('urlFragment', '')
        elif method == 'Page.loadEventFired':
            log('load event')
            if self.navigation:
                self.send('completed', self.navigation, 1, 0)
        elif method == 'Page.screencastFrame':
            self.cdp('Page.screencastFrameAck', {'sessionId': params['sessionId']})
            self.frames += 1
            self.last_frame = time.time()
            if self.visible:
                self.send('frame', params['data'])
                # When the page looked so: a frame may reach us well after it was drawn.
                self.painted = params.get('metadata', {}).get('timestamp', 0.0)
        elif method == 'Page.javascriptDialogOpening':
            # Script dialogs are off in the client: the runtime answers them without showing them.
            self.cdp('Page.handleJavaScriptDialog', {'accept': False})
        elif method == 'Inspector.targetCrashed':
            self.heartbeat_sent = None
            log('renderer crashed')
            self.send('failed', 1)
        elif method == 'Page.downloadWillBegin':
            self.send('download', params.get('url', ''))

    def request_paused(self, params):
        request = params['request']
        url = request['url'] + request.get('urlFragment', '')
        kind = params.get('resourceType', '')
        filtered = any(f.match(url) for f in self.filters)
        navigation = ''
        if kind == 'Document':
            if params.get('frameId') == self.target:
                self.navigation = next(self.navigations)
                navigation = 'top'
            else:
                navigation = 'frame'
        if not filtered and not navigation:
            self.cdp('Fetch.continueRequest', {'requestId': params['requestId']})
            return
        log('>', 'request', params['requestId'], url)
        headers = '\r\n'.join('%s: %s' % (k, v) for k, v in request.get('headers', {}).items())
        self.send('request', params['requestId'], url, request.get('method', 'GET'), headers, navigation,
                  self.navigation if navigation == 'top' else 0, 1 if filtered else 0, kind)


class Relay:
    def __init__(self, chromium):
        self.chromium = chromium
        self.environments = set()
        self.version = 'standin'
        # Tests may hold the page's messages back (to see the window before the first one).
        self.lock = threading.Lock()
        self.hold = False
        self.held = []
        try:
            out = subprocess.run([chromium, '--version'], capture_output=True, text=True, timeout=30).stdout
            found = re.search(r'(\d+\.\d+\.\d+\.\d+)', out)
            if found:
                self.version = found.group(1)
        except Exception:
            pass

    def serve(self, server):
        while True:
            conn, _ = server.accept()
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            environment = Environment(self, conn)
            self.environments.add(environment)
            threading.Thread(target=environment.run, daemon=True).start()

    def control(self, server):
        while True:
            conn, _ = server.accept()
            threading.Thread(target=self.control_client, args=(conn,), daemon=True).start()

    def control_client(self, conn):
        file = conn.makefile('rw', encoding='utf-8')
        for line in file:
            try:
                request = json.loads(line)
                answer = self.control_command(request)
            except Exception as e:
                answer = {'error': repr(e)}
            file.write(json.dumps(answer) + '\n')
            file.flush()

    def live(self):
        for environment in list(self.environments):
            if environment.session and not environment.closed:
                return environment
        return None

    def control_command(self, request):
        if 'hold' in request:
            with self.lock:
                self.hold = bool(request['hold'])
                released = [] if self.hold else self.held
                if not self.hold:
                    self.held = []
            for environment, url, payload in released:
                environment.send('message', url, payload)
            return {'value': True}
        environment = self.live()
        if environment is None:
            return {'error': 'no page'}
        if 'eval' in request:
            result = environment.browser.call('Runtime.evaluate', {
                'expression': request['eval'], 'returnByValue': True, 'awaitPromise': True,
                'userGesture': bool(request.get('gesture'))},
                environment.session, timeout=request.get('timeout', 10))
            if 'exceptionDetails' in result:
                return {'error': result['exceptionDetails'].get('exception', {}).get('description', 'exception')}
            return {'value': result.get('result', {}).get('value')}
        if 'renderer' in request:
            info = environment.browser.call('SystemInfo.getProcessInfo', {})
            return {'value': [p['id'] for p in info.get('processInfo', []) if p.get('type') == 'renderer']}
        if 'origin' in request:
            return {'value': [environment.origin[0], environment.origin[1], environment.metrics[2]]}
        if 'frames' in request:
            return {'value': environment.frames}
        if 'painted' in request:
            return {'value': environment.painted}
        if 'url' in request:
            return {'value': environment.main_url}
        return {'error': 'unknown command'}


def listen(port_file):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(('127.0.0.1', 0))
    server.listen(8)
    temporary = port_file + '.tmp'
    with open(temporary, 'w') as f:
        f.write('127.0.0.1:%d\n' % server.getsockname()[1])
    os.replace(temporary, port_file)
    return server


def main():
    global LOG
    parser = argparse.ArgumentParser()
    parser.add_argument('--port-file', required=True)
    parser.add_argument('--control-port-file')
    parser.add_argument('--chromium', default=shutil.which('chromium') or '/usr/bin/chromium')
    parser.add_argument('--log')
    options = parser.parse_args()
    if options.log:
        LOG = open(options.log, 'a', encoding='utf-8')
    relay = Relay(options.chromium)

    def stop(*_):
        for environment in list(relay.environments):
            environment.close()
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    server = listen(options.port_file)
    if options.control_port_file:
        threading.Thread(target=relay.control, args=(listen(options.control_port_file),), daemon=True).start()
    log('relay ready', options.port_file)
    relay.serve(server)


if __name__ == '__main__':
    main()
