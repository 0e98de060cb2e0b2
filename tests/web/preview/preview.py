#!/usr/bin/python3
"""Test-only: shows web/ in a 1280x820 WebKitGTK window with the stand-in chrome.webview and
saves a root-window screenshot after running an optional script in the page.

usage (under Xvfb): preview.py OUT.png [SCRIPT] [--lang zh-CN] [--size 1280x820] [--wait 1.5]
"""
import argparse, functools, http.server, os, subprocess, threading
import gi
gi.require_version('Gtk', '3.0')
gi.require_version('WebKit2', '4.1')
from gi.repository import GLib, Gtk, WebKit2

here = os.path.dirname(os.path.abspath(__file__))
web = os.path.normpath(os.path.join(here, '..', '..', '..', 'web'))

ap = argparse.ArgumentParser()
ap.add_argument('out')
ap.add_argument('script', nargs='?', default='')
ap.add_argument('--lang', default='en-US')
ap.add_argument('--size', default='1280x820')
ap.add_argument('--wait', type=float, default=1.5)
args = ap.parse_args()

handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=web)
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
threading.Thread(target=server.serve_forever, daemon=True).start()

w, h = map(int, args.size.split('x'))
win = Gtk.Window()
win.set_default_size(w, h)
win.move(0, 0)
ucm = WebKit2.UserContentManager()
with open(os.path.join(here, 'standin-webview.js')) as f:
    ucm.add_script(WebKit2.UserScript(f.read(), WebKit2.UserContentInjectedFrames.TOP_FRAME,
                                      WebKit2.UserScriptInjectionTime.START, None, None))
ucm.add_script(WebKit2.UserScript(
    "Object.defineProperty(navigator, 'language', { get: () => '%s' });" % args.lang,
    WebKit2.UserContentInjectedFrames.TOP_FRAME, WebKit2.UserScriptInjectionTime.START, None, None))
view = WebKit2.WebView.new_with_user_content_manager(ucm)
win.add(view)
win.show_all()

def shoot():
    subprocess.run(['import', '-window', 'root', '-crop', f'{w}x{h}+0+0', args.out], check=True)
    Gtk.main_quit()

def run_script():
    if args.script:
        view.evaluate_javascript(args.script, -1, None, None, None, None, None)
    GLib.timeout_add(int(args.wait * 1000), lambda: (shoot(), False)[1])
    return False

def on_load(v, event):
    if event == WebKit2.LoadEvent.FINISHED:
        GLib.timeout_add(600, run_script)
view.connect('load-changed', on_load)
view.load_uri(f'http://127.0.0.1:{server.server_address[1]}/index.html')
Gtk.main()
