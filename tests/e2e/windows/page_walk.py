#!/usr/bin/env python3
"""The real Vantreel.exe under Wine walks its own page, with the WebView2 stand-in beside it
(tests/webview2-standin: a loader DLL whose runtime is a headless Chromium). Clicks and drags
go through the X server at the page's controls on the Wine desktop (xdotool); the page is read
through the stand-in relay's test port. The checks follow the Linux page walk (tests/e2e).

usage: page_walk.py Vantreel.exe WebView2Loader.dll(stand-in) OUTDIR window-poke.exe [tests]
(inside Xvfb, with the Wine prefix of scripts/wine-env.sh exported; screenshots land in OUTDIR)
"""
import base64
import http.server
import json
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RELAY = os.path.join(HERE, '..', '..', 'webview2-standin', 'relay.py')
WINE = '/usr/lib/wine/wine64'
EXE, STANDIN, OUTDIR, POKE = sys.argv[1:5] if len(sys.argv) >= 5 else (None, None, None, None)


def data_url_bytes(url):
    return base64.b64decode(url[url.index(',') + 1:])


class TimedOut(AssertionError):
    pass


class Client:
    """Vantreel.exe in a folder of its own with the stand-in beside it, and its relay."""

    def __init__(self, folder, locale='C.UTF-8', hold=False):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        shutil.copy(EXE, os.path.join(folder, 'Vantreel.exe'))
        shutil.copy(STANDIN, os.path.join(folder, 'WebView2Loader.dll'))
        port_file = os.path.join(folder, 'WebView2Loader.standin')
        control_file = os.path.join(folder, 'standin-control')
        self.relay = subprocess.Popen([sys.executable, RELAY, '--port-file', port_file, '--control-port-file', control_file,
                                       '--log', os.path.join(folder, 'relay.log')],
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(port_file) and os.path.exists(control_file), 20, 'the relay to start')
        with open(control_file) as f:
            host, port = f.read().strip().split(':')
        self.control = socket.create_connection((host, int(port)))
        self.control_file = self.control.makefile('rw', encoding='utf-8')
        if hold:
            self.ask({'hold': True})
        env = dict(os.environ, LC_ALL=locale, WINEDEBUG='-all')
        self.log_path = os.path.join(folder, 'client.log')
        self.log = open(self.log_path, 'wb')
        self.process = subprocess.Popen([WINE, 'Vantreel.exe'], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log)

    def ask(self, request):
        self.control_file.write(json.dumps(request) + '\n')
        self.control_file.flush()
        return json.loads(self.control_file.readline())

    def eval(self, expression, gesture=False):
        answer = self.ask({'eval': expression, 'gesture': gesture})
        if 'error' in answer:
            raise RuntimeError(answer['error'])
        return answer.get('value')

    def log_text(self):
        self.log.flush()
        with open(self.log_path, 'rb') as f:
            return f.read().decode('utf-8', 'replace')

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.relay.send_signal(signal.SIGTERM)
        try:
            self.relay.wait(10)
        except subprocess.TimeoutExpired:
            self.relay.kill()
        self.control.close()
        self.log.close()


def read_text(path):
    with open(path, encoding='utf-8', errors='replace') as f:
        return f.read()


def wait_until(condition, timeout, what):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            if condition():
                return
        except (RuntimeError, OSError, ValueError):
            pass
        time.sleep(0.1)
    raise TimedOut('timed out waiting for ' + what)


class Page:
    """What the Linux page walk's driver does, on the Windows client's window."""

    def __init__(self, client):
        self.client = client

    def eval(self, body):
        return self.client.eval('(async () => {' + body + '})()')

    def wait_for(self, condition, timeout=20):
        wait_until(lambda: self.client.eval('Boolean(' + condition + ')'), timeout, condition)

    def text(self, selector):
        return self.eval('const el = document.querySelector(%s); if (!el) return "";'
                         ' return ("value" in el && el.tagName !== "BUTTON") ? el.value : el.textContent.trim();'
                         % json.dumps(selector))

    def fill(self, selector, value):
        result = self.eval('const el = document.querySelector(%s); if (!el) return "missing"; el.focus();'
                           ' el.value = %s; el.dispatchEvent(new Event("input", { bubbles: true })); return "ok";'
                           % (json.dumps(selector), json.dumps(value)))
        assert result == 'ok', 'cannot fill %s: %s' % (selector, result)

    def screen_box(self, selector):
        box = self.eval('const el = document.querySelector(%s); if (!el) return null;'
                        ' el.scrollIntoView({ block: "center", inline: "center" });'
                        ' const r = el.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];'
                        % json.dumps(selector))
        assert box and box[2] > 0 and box[3] > 0, 'no visible element ' + selector
        x, y, scale = self.client.ask({'origin': True})['value']
        return [x + box[0] * scale, y + box[1] * scale, box[2] * scale, box[3] * scale]

    def click(self, selector):
        box = self.screen_box(selector)
        xdotool('mousemove', box[0] + box[2] / 2, box[1] + box[3] / 2, 'click', 1)

    def drag(self, selector, points):
        box = self.screen_box(selector)
        at = [(box[0] + box[2] * px, box[1] + box[3] * py) for px, py in points]
        xdotool('mousemove', *at[0], 'mousedown', 1)
        for x, y in at[1:]:
            time.sleep(0.03)
            xdotool('mousemove', x, y)
        xdotool('mouseup', 1)

    def open(self, screen):
        self.click('#nav-' + screen)
        self.wait_for("!document.querySelector('#screen-%s').hidden" % screen)

    def count_requests(self, kind):
        return self.client.eval("window.communicationService._communicationModule.value.activity.entries"
                                ".filter((e) => e.kind === 'request' && e.type === %s).length" % json.dumps(kind))


def xdotool(*args):
    subprocess.run(['xdotool'] + [str(round(a)) if isinstance(a, float) else str(a) for a in args], check=True)


def screenshot(name, client=None):
    # With the client: once the view has been given a picture of the page as it is now (the
    # screen otherwise may show the page a frame or a second behind what the checks read).
    if client is not None:
        asked = time.time()
        wait_until(lambda: client.ask({'painted': True})['value'] > asked, 10, 'a picture of the page as it is')
    os.makedirs(OUTDIR, exist_ok=True)
    subprocess.run(['import', '-window', 'root', os.path.join(OUTDIR, 'windows-walk-%s.png' % name)], check=False)


def to_screen(client, x, y):
    """Where a point of the page (CSS pixels) is on the screen."""
    left, top, scale = client.ask({'origin': True})['value']
    return round(left + x * scale), round(top + y * scale)


def poke(what):
    return subprocess.run([WINE, POKE, what], capture_output=True, text=True, env=dict(os.environ, WINEDEBUG='-all'),
                          timeout=60).stdout.strip()


def wine_user_folder():
    user = pwd.getpwuid(os.getuid()).pw_name
    return os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'users', user), 'C:\\users\\' + user


def pixel(x, y):
    """The screen's colour at x, y as (r, g, b)."""
    out = subprocess.run(['import', '-window', 'root', '-crop', '1x1+%d+%d' % (x, y), '-depth', '8', 'rgb:-'],
                         capture_output=True, check=True).stdout
    return tuple(out[:3])


class WalkTest(unittest.TestCase):
    locale = 'C.UTF-8'
    hold_first_message = False

    def setUp(self):
        self.folder = os.path.join(OUTDIR, 'walk-client', self.id().rsplit('.', 1)[-1] + '-' + self.locale.split('.')[0])
        self.client = Client(self.folder, self.locale, self.hold_first_message)
        self.page = Page(self.client)
        if self.hold_first_message:
            self.see_overlay_until_first_message()
        try:
            self.page.wait_for("window.communicationService?._communicationModule?.value?.connection === 'connected'", 60)
        except TimedOut:
            try:
                state = self.client.eval('JSON.stringify({url: location.href, state: document.readyState,'
                                         ' webview: typeof chrome?.webview, activity: window.communicationService'
                                         '?._communicationModule?.value?.activity?.entries?.length})')
            except RuntimeError as e:
                state = str(e)
            kept = os.path.join(OUTDIR, 'failed-%s-%d.relay.log' % (os.path.basename(self.folder), int(time.time())))
            shutil.copy(os.path.join(self.folder, 'relay.log'), kept)
            with open(kept, encoding='utf-8', errors='replace') as f:
                relay = f.read()[-4000:]
            self.client.stop()
            self.fail('the page never reached the client\npage: %s\nclient exit: %s\nrelay log:\n%s'
                      % (state, self.client.process.poll(), relay))

    def tearDown(self):
        self.client.stop()

    def see_connected_on_screen(self):
        # The screen shows the page a frame or more behind it: the connection's dot turns green.
        client = self.client
        at = to_screen(client, *client.eval("(() => { const r = document.querySelector('#connection .dot')"
                                            ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()"))

        def green():
            r, g, _ = pixel(*at)
            return g > 180 and r < 120
        try:
            wait_until(green, 15, 'the screen to show the page connected')
        except TimedOut:
            screenshot('failed-not-connected-on-screen')
            raise TimedOut('the screen never showed the page connected: %s at %s, %d frames'
                           % (pixel(*at), at, client.ask({'frames': True})['value']))

    def see_overlay_until_first_message(self):
        # The page is up and painted, its messages held: the window still shows the overlay
        # (white) where the page has its dark sidebar.
        client = self.client
        wait_until(lambda: client.eval("document.readyState === 'complete' && !!document.querySelector('.sidebar, nav')")
                   and client.ask({'frames': True})['value'] > 0, 30, 'the page to load')
        box = client.eval("(() => { const r = document.querySelector('#nav-overview').getBoundingClientRect();"
                          " return [r.left, r.bottom + 40]; })()")
        left, top = to_screen(client, *box)
        at = (left + 4, top)
        self.assertEqual(pixel(*at), (255, 255, 255), 'no overlay over the page before its first message')
        screenshot('overlay', client)
        client.ask({'hold': False})
        wait_until(lambda: max(pixel(*at)) < 100, 10, 'the page to show once its first message went')


class OverlayThenPage(WalkTest):
    hold_first_message = True

    def test_overview_seed_challenge_and_token(self):
        page = self.page
        page.wait_for("document.querySelector('#card-protection').dataset.state === 'protected'")
        self.assertEqual(page.text('#protection-headline'), 'This computer is protected')
        self.assertEqual(page.text('#seed-status'), 'Not checked')
        self.assertEqual(page.count_requests('auth_seed_request'), 0)
        self.assertEqual(page.count_requests('alarm_photo_list'), 1)
        screenshot('overview', self.client)

        page.click('#seed-check')
        page.wait_for("document.querySelector('#seed-status').dataset.state === 'available'")
        self.assertEqual(page.text('#seed-status'), 'Available')
        self.assertIn('45 characters', page.text('#seed-meta'))
        self.assertEqual(page.count_requests('auth_seed_request'), 1)

        page.open('diagnostics')
        page.click('#challenge-generate')
        page.wait_for("document.querySelector('#challenge-random').value !== ''")
        random = page.text('#challenge-random')
        self.assertEqual(len(random), 16)
        page.click('#challenge-answer')
        page.wait_for("!document.querySelector('#challenge-result').hidden")
        self.assertEqual(page.text('#challenge-result-label'), 'Answer \u00b7 100 characters')
        self.assertTrue(page.text('#challenge-response').startswith(random[:4]))

        page.fill('#token-identifier', 'kid-7')
        page.click('#token-get')
        page.wait_for("!document.querySelector('#token-result').hidden")
        self.assertRegex(page.text('#token-value'), '^.{6}\u2026.{4}$')
        screenshot('diagnostics', self.client)


class PageWalk(WalkTest):
    def test_alarm_photo_saved_beside_the_exe_listed_viewed_deleted(self):
        page = self.page
        photos = os.path.join(self.folder, 'alarm_photos')
        page.open('photos')
        page.fill('#capture-alarm-id', 'A77')
        page.fill('#capture-device-id', 'D09')
        page.click('#capture-generate')
        page.wait_for("!document.querySelector('#capture-image').hidden")
        generated = data_url_bytes(page.client.eval("document.querySelector('#capture-image').src"))
        page.click('#capture-save')
        page.wait_for("document.querySelector('#capture-message').dataset.kind === 'success'")
        match = re.fullmatch(r'Saved as (A77_D09_\d{8}_\d{6}\.jpg)', page.text('#capture-message'))
        self.assertIsNotNone(match, page.text('#capture-message'))
        name = match.group(1)
        # Beside the exe, under the name the page was told (a plain Windows name).
        self.assertEqual(os.listdir(photos), [name])
        with open(os.path.join(photos, name), 'rb') as f:
            self.assertEqual(f.read(), generated)
        self.assertEqual(generated[:2], b'\xff\xd8')

        page.wait_for("document.querySelectorAll('#gallery-grid .photo').length === 1")
        page.wait_for("[...document.querySelectorAll('#gallery-grid img')].every((img) => img.complete && img.naturalWidth > 0)")
        page.wait_for('window.communicationService._communicationModule.value.bridge.pendingCount === 0')
        screenshot('photos', self.client)
        card = '#gallery-grid .photo[data-file-name=%s]' % json.dumps(name)
        page.click(card + ' .view')
        page.wait_for("!document.querySelector('#viewer').hidden")
        page.wait_for("document.querySelector('#viewer-image').naturalWidth === 640")
        self.assertEqual(page.text('#viewer-file'), name)
        screenshot('photo-viewer', self.client)

        page.click('#viewer-delete')
        page.wait_for("!document.querySelector('#confirm').hidden")
        page.click('#confirm-ok')
        page.wait_for("document.querySelector('#viewer').hidden")
        page.wait_for("document.querySelectorAll('#gallery-grid .photo').length === 0")
        self.assertEqual(os.listdir(photos), [])

    def test_drawing_saved_into_the_pictures_album(self):
        page = self.page
        linux_home, windows_home = wine_user_folder()
        album = os.path.join(linux_home, 'Pictures', 'Family Trip')
        shutil.rmtree(album, ignore_errors=True)
        page.open('save')
        page.click('.swatch[data-colour="#e63946"]')
        page.drag('#save-canvas', [(0.2, 0.3), (0.35, 0.3), (0.5, 0.3), (0.65, 0.3), (0.8, 0.3)])
        stroke = ("(() => { const c = document.querySelector('#save-canvas');"
                  " const d = c.getContext('2d').getImageData(Math.round(c.width * 0.5), Math.round(c.height * 0.3) - 4, 1, 9).data;"
                  " for (let i = 0; i < d.length; i += 4) if (d[i] === 230 && d[i + 1] === 57 && d[i + 2] === 70) return true;"
                  " return false; })()")
        page.wait_for(stroke)
        page.fill('#save-album', 'Family Trip')
        page.fill('#save-file-name', 'drawing.png')
        page.click('#save-button')
        page.wait_for("!document.querySelector('#save-result').hidden")
        self.assertEqual(page.text('#save-result-file'), windows_home + '\\Pictures\\Family Trip\\drawing.png')
        drawn = data_url_bytes(page.client.eval("document.querySelector('#save-canvas').toDataURL('image/png')"))
        with open(os.path.join(album, 'drawing.png'), 'rb') as f:
            self.assertEqual(f.read(), drawn)
        screenshot('save-image', self.client)

    def test_renderer_killed_the_page_comes_back(self):
        client = self.client
        client.eval('window.__beforeTheCrash = true')
        renderers = client.ask({'renderer': True})['value']
        self.assertTrue(renderers, 'no renderer process found')
        for pid in renderers:
            os.kill(pid, signal.SIGKILL)
        self.page.wait_for("!window.__beforeTheCrash &&"
                           " window.communicationService?._communicationModule?.value?.connection === 'connected'", 30)
        self.see_connected_on_screen()
        screenshot('after-renderer-killed', self.client)

    def test_page_stuck_in_a_loop_comes_back(self):
        client = self.client
        renderers = client.ask({'renderer': True})['value']
        self.assertTrue(renderers, 'no renderer process found')
        client.eval('window.__beforeTheHang = true; setTimeout(() => { for (;;) {} }, 0); true')
        # Reported hung every few seconds, ended by the window once that has lasted 15 s.
        self.page.wait_for("!window.__beforeTheHang &&"
                           " window.communicationService?._communicationModule?.value?.connection === 'connected'", 120)

        def alive(pid):
            try:
                with open('/proc/%d/stat' % pid) as f:
                    return f.read().rsplit(')', 1)[1].split()[0] != 'Z'
            except OSError:
                return False
        wait_until(lambda: not any(alive(pid) for pid in renderers), 10, 'the hung renderer to end')
        self.see_connected_on_screen()
        screenshot('after-hang', self.client)

    def test_wake_from_sleep_reaches_the_page_a_second_later(self):
        page = self.page
        lists = page.count_requests('alarm_photo_list')
        signalled = time.monotonic()
        poke('resume')
        page.wait_for("!document.querySelector('#wake-count').hidden", 10)
        # The client waits a second before it tells the page.
        self.assertGreaterEqual(time.monotonic() - signalled, 0.9)
        self.assertEqual(page.text('#wake-count'), 'Wake-ups seen: 1')
        self.assertIn('The computer woke up at', page.text('#toasts'))
        page.wait_for("window.communicationService._communicationModule.value.activity.entries"
                      ".filter((e) => e.kind === 'reply' && e.type === 'alarm_photo_list_response').length === %d"
                      % (lists + 1))
        self.assertEqual(page.count_requests('auth_seed_request'), 0)
        screenshot('overview-after-wake', self.client)

    def test_minimised_into_the_tray_restored_by_a_double_click_then_typing_reaches_the_page(self):
        page = self.page
        page.open('diagnostics')
        page.click('#token-identifier')
        page.wait_for("document.activeElement === document.querySelector('#token-identifier')")
        page.client.eval("window.__visibility = []; document.addEventListener('visibilitychange',"
                         " () => window.__visibility.push(document.visibilityState)); true")
        poke('minimize')
        wait_until(lambda: poke('visible') == '0', 10, 'the window to hide')
        page.wait_for("document.visibilityState === 'hidden'", 10)
        screenshot('in-tray')
        # The tray icon sits at the right end of the Wine desktop's task bar.
        xdotool('mousemove', 1266, 1012, 'click', '--repeat', 2, '--delay', 80, 1)
        wait_until(lambda: poke('visible') == '1', 10, 'the window to come back')
        page.wait_for("document.visibilityState === 'visible'", 10)
        self.assertEqual(page.client.eval('window.__visibility'), ['hidden', 'visible'])
        # No click into the page: the window hands the keyboard on to the view itself.
        xdotool('type', '--delay', 40, 'kid-9')
        page.wait_for("document.querySelector('#token-identifier').value === 'kid-9'")
        screenshot('typed-after-restore', self.client)


class ForeignServer(http.server.ThreadingHTTPServer):
    """A loopback server the page must never reach; it counts what reaches it."""

    def __init__(self):
        self.requests = []
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                owner.requests.append(self.path)
                self.send_response(200)
                self.send_header('Content-Type', 'text/html')
                self.end_headers()
                self.wfile.write(b'<p>foreign</p>')

            do_POST = do_GET

            def log_message(self, *args):
                pass

        super().__init__(('127.0.0.1', 0), Handler)
        threading.Thread(target=self.serve_forever, daemon=True).start()


class Doors(WalkTest):
    def test_the_page_cannot_leave_download_print_or_speak_for_a_frame(self):
        client, page = self.client, self.page
        server = ForeignServer()
        self.addCleanup(server.shutdown)
        foreign = 'http://127.0.0.1:%d' % server.server_address[1]
        relay_log = os.path.join(self.folder, 'relay.log')

        def cancels():
            with open(relay_log, encoding='utf-8', errors='replace') as f:
                return f.read().count('< cancel ')

        doors = [
            ('script', "location.href = %s + '/script'"),
            ('link', "const a = document.createElement('a'); a.href = %s + '/link'; document.body.append(a); a.click()"),
            ('form', "const f = document.createElement('form'); f.method = 'post'; f.action = %s + '/form';"
                     " document.body.append(f); f.submit()"),
        ]
        for name, script in doors:
            with self.subTest(name):
                before = cancels()
                client.eval('(() => { %s; return 0; })()' % (script % json.dumps(foreign)))
                wait_until(lambda: cancels() > before, 10, 'the %s navigation to be cancelled' % name)
                self.assertEqual(client.eval('location.href'), 'https://app.vantreel.invalid/')
        # A new window (on a click, past the popup blocker) is refused before it loads anything.
        client.eval('window.open(%s + "/popup"); 0' % json.dumps(foreign), gesture=True)
        wait_until(lambda: '< newwindow ' in read_text(relay_log), 10,
                   'the new window to be refused')
        # A download saves nothing; print() is the page's own no-op.
        client.eval("(() => { const a = document.createElement('a'); a.download = 'x.txt';"
                    " a.href = URL.createObjectURL(new Blob(['x'])); document.body.append(a); a.click(); return 0; })()")
        self.assertIsNone(client.eval('window.print()'))
        self.assertFalse(client.eval("Object.getOwnPropertyDescriptor(window, 'print').writable"))
        # A frame's message never reaches the window: no reply ever comes for it.
        client.eval("(async () => { const f = document.createElement('iframe'); f.srcdoc = '<p>a frame</p>';"
                    " const loaded = new Promise((resolve) => { f.onload = resolve; }); document.body.append(f);"
                    " await loaded; f.contentWindow.chrome.webview.postMessage("
                    "{type: 'alarm_photo_list', requestId: 'from-a-frame', deviceId: ''}); return 0; })()")
        wait_until(lambda: 'message of a frame dropped' in read_text(relay_log), 10,
                   "the frame's message")
        page.wait_for('window.communicationService._communicationModule.value.bridge.pendingCount === 0')
        self.assertEqual(server.requests, [])
        downloads = os.path.join(os.environ.get('HOME', '/nonexistent'), 'Downloads')
        self.assertFalse(os.path.exists(os.path.join(downloads, 'x.txt')))
        # Still our page, and still answering.
        page.open('photos')
        self.assertEqual(client.eval('location.origin'), 'https://app.vantreel.invalid')


class Languages(unittest.TestCase):
    # locale, page language, direction, the photos entry, a failure text of the page.
    cases = [
        ('de_DE.UTF-8', 'de', 'ltr', 'Alarmfotos', 'Füllen Sie alle vier Felder der Challenge aus.'),
        ('zh_CN.UTF-8', 'zh-CN', 'ltr', '告警照片', '请填写挑战的全部四项。'),
        ('ar_EG.UTF-8', 'ar', 'rtl', 'صور التنبيهات', 'املأ حقول التحدي الأربعة كلها.'),
    ]

    def test_the_page_speaks_the_users_language(self):
        for locale, code, direction, photos_nav, incomplete in self.cases:
            with self.subTest(code):
                walk = WalkTest()
                walk.locale = locale
                walk.setUp()
                try:
                    page = walk.page
                    self.assertEqual(page.client.eval('navigator.language'), code)
                    self.assertEqual(page.client.eval('document.documentElement.lang'), code)
                    self.assertEqual(page.client.eval('document.documentElement.dir'), direction)
                    self.assertEqual(page.text('#nav-photos'), photos_nav)
                    # Right to left puts the sidebar on the right, in the page and on the screen:
                    # the window around it does not mirror it a second time.
                    # The screen shows the page a frame or more behind it: wait for the picture.
                    def dark_sides():
                        width = page.client.eval('innerWidth')
                        return (max(pixel(*to_screen(page.client, width * 0.05, 600))) < 100,
                                max(pixel(*to_screen(page.client, width * 0.95, 600))) < 100)
                    expected = (direction == 'ltr', direction == 'rtl')
                    try:
                        wait_until(lambda: dark_sides() == expected, 15, 'the sidebar on the screen')
                    except TimedOut:
                        self.assertEqual(dark_sides(), expected)
                    screenshot('language-%s-overview' % code, page.client)
                    page.open('diagnostics')
                    page.fill('#challenge-timestamp', '')
                    page.click('#challenge-answer')
                    page.wait_for("!document.querySelector('#challenge-message').hidden")
                    self.assertEqual(page.text('#challenge-message'), incomplete)
                finally:
                    walk.tearDown()


def ensure_desktop(size='1280x1024'):
    # Clicks land at places on this desktop (the tray icon at its right end). A run of another
    # test that was killed before it put the prefix's size back must not move them.
    key = r'HKCU\Software\Wine\Explorer\Desktops'
    # The server stays behind the last two commands: it must hold none of our pipes.
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    if size in subprocess.run([WINE, 'reg', 'query', key, '/v', 'Default'], capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=120).stdout:
        return
    subprocess.run([WINE, 'reg', 'add', key, '/v', 'Default', '/t', 'REG_SZ', '/d', size, '/f'], **quiet)
    # A new server and desktop to apply it, as tests/e2e/windows/wine-desktop.sh makes them.
    for command in (['/usr/lib/wine/wineserver', '-k'], ['/usr/lib/wine/wineserver', '-w'],
                    ['/usr/lib/wine/wineserver', '-p'], [WINE, 'wineboot']):
        subprocess.run(command, **quiet)


if __name__ == '__main__':
    ensure_desktop()
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:], verbosity=2)
