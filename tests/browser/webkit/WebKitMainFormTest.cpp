// The main window end to end on a real WebKitGTK under Xvfb, with a small test bundle
// embedded in this binary: the page's origin and everything it loads come from memory, page
// messages reach the bridge and replies reach the page, the first message removes the
// overlay, and a resume signal on a private system bus reaches the page one second later.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "auth/UAuthSeedProvider.h"
#include "auth/UTokenGenerator.h"
#include "bridge/UWebViewBridge.h"
#include "browser/webkitgtk/HangWatch.h"
#include "crypto/Wipe.h"
#include "json/JsonWriter.h"
#include "tests/browser/webkit/MainFormHarness.h"

namespace vantreel {
namespace {

using test::CallPage;
using test::RunFor;
using test::RunUntil;
using test::TMainFormHarness;
using test::TTempDir;

TEST(WebKitMainForm, PageIsServedFromTheBundleUnderItsOrigin) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  WebKitWebView* view = harness.View();
  EXPECT_EQ(CallPage(view, "return [location.origin, location.href, isSecureContext];"),
            "[\"https://app.vantreel.invalid\",\"https://app.vantreel.invalid/\",true]");
  RunUntil([&] { return CallPage(view, "return window.moduleAnswer || null;") != "null"; });
  EXPECT_EQ(CallPage(view, "return [typeof window.commModuleInstance, window.moduleAnswer,"
                           " getComputedStyle(document.body).backgroundColor, document.getElementById('dot').naturalWidth];"),
            "[\"object\",42,\"rgb(1, 2, 3)\",2]");

  EXPECT_EQ(CallPage(view, "const r = await fetch('data.json');"
                           "return [r.status, r.headers.get('content-type').split(';')[0], r.headers.get('cache-control'),"
                           " r.headers.get('pragma'), (await r.json()).answer];"),
            "[200,\"application/json\",\"no-store, no-cache, must-revalidate\",\"no-cache\",42]");
  EXPECT_EQ(CallPage(view, "return await new Promise((resolve) => {"
                           " const x = new XMLHttpRequest(); x.open('GET', '/style.css');"
                           " x.onload = () => resolve([x.status, x.getResponseHeader('Content-Type').split(';')[0],"
                           "  x.getResponseHeader('Cache-Control')]);"
                           " x.onerror = () => resolve('xhr error'); x.send(); });"),
            "[200,\"text/css\",\"no-store, no-cache, must-revalidate\"]");
  // A path the bundle lacks is answered with the entry page.
  EXPECT_EQ(CallPage(view, "const r = await fetch('/no/such/file');"
                           "return [r.status, r.headers.get('content-type').split(';')[0], (await r.text()).includes('entry page')];"),
            "[200,\"text/html\",true]");
  // Another origin is left to WebKit, which cannot reach it (and the page's policy refuses it).
  EXPECT_EQ(CallPage(view, "try { await fetch('https://elsewhere.invalid/'); return 'answered'; }"
                           " catch (e) { return e.name; }"),
            "\"TypeError\"");

  // The mark tells the reloaded document from the old one, which lingers until the reload lands.
  CallPage(view, "window.marked = true; location.reload(); return 0;");
  ASSERT_TRUE(RunUntil([&] {
    return CallPage(view, "return document.readyState === 'complete' && !!window.replies && !window.marked;") == "true";
  }));
  CallPage(view, "document.getElementById('next').click(); return 0;");
  ASSERT_TRUE(RunUntil([&] { return CallPage(view, "return !!document.getElementById('second');") == "true"; }));
  EXPECT_EQ(CallPage(view, "return [location.href, isSecureContext];"),
            "[\"https://app.vantreel.invalid/page2.html\",true]");
  EXPECT_TRUE(harness.MessageBoxes().empty());
}

TEST(WebKitMainForm, MessagesReachTheBridgeAndRepliesReachThePage) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  WebKitWebView* view = harness.View();
  EXPECT_TRUE(harness.Form().LoadingOverlayShown()) << "the overlay waits for the first message";

  CallPage(view, "chrome.webview.postMessage({type: 'shell_test_object'}); return 0;");
  ASSERT_TRUE(RunUntil([&] { return harness.CountDebug("收到消息类型: shell_test_object") == 1; })) << harness.Dump();
  EXPECT_FALSE(harness.Form().LoadingOverlayShown());
  EXPECT_EQ(harness.CountLog("加载遮罩已隐藏"), 1);

  // A posted string arrives as its JSON literal and is unwrapped back to the string itself.
  CallPage(view, "chrome.webview.postMessage(JSON.stringify({type: 'shell_test_string'})); return 0;");
  ASSERT_TRUE(RunUntil([&] { return harness.CountDebug("收到消息类型: shell_test_string") == 1; }));
  EXPECT_EQ(harness.CountLog("加载遮罩已隐藏"), 1) << "only the first message hides the overlay";

  CallPage(view, "chrome.webview.postMessage({type: 'auth_seed_request', requestId: 'shell-1'}); return 0;");
  ASSERT_TRUE(RunUntil([&] { return CallPage(view, "return window.replies.length;") == "1"; }));
  EXPECT_EQ(CallPage(view, "const r = JSON.parse(window.replies[0]); return [typeof window.replies[0], r.type, r.requestId];"),
            "[\"string\",\"auth_seed_response\",\"shell-1\"]");
}

// A private system bus with a stand-in logind, as the resume signal's source.
class TPrivateSystemBus {
 public:
  TPrivateSystemBus() {
    const auto socket = FTemp.Path() / "system_bus_socket";
    const auto config = FTemp.Path() / "system.conf";
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>system</type><listen>unix:path="
                          << socket.string()
                          << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                             "<allow user=\"*\"/><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    const std::string configArg = "--config-file=" + config.string();
    gchar* argv[] = {const_cast<gchar*>("dbus-daemon"), const_cast<gchar*>(configArg.c_str()),
                     const_cast<gchar*>("--nofork"), nullptr};
    // Its output must not hold the test's pipes open.
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv, nullptr, static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                                               G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                       nullptr, nullptr, &FDaemon, &error)) {
      ADD_FAILURE() << "dbus-daemon: " << error->message;
      g_clear_error(&error);
      return;
    }
    FAddress = "unix:path=" + socket.string();
    // The socket file appears at bind(), a moment before the daemon listens on it: a busy
    // machine refuses the first connections, so keep trying until the deadline.
    RunUntil(
        [&] {
          g_clear_error(&error);
          FLogind = g_dbus_connection_new_for_address_sync(
              FAddress.c_str(),
              static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
              nullptr, nullptr, &error);
          return FLogind != nullptr;
        },
        std::chrono::seconds(10));
    if (FLogind == nullptr) {
      ADD_FAILURE() << "stand-in logind: " << error->message;
      g_clear_error(&error);
      return;
    }
    GVariant* reply = g_dbus_connection_call_sync(FLogind, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "RequestName",
                                                  g_variant_new("(su)", "org.freedesktop.login1", 4u), nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply == nullptr) {
      ADD_FAILURE() << "RequestName: " << error->message;
      g_clear_error(&error);
      return;
    }
    g_variant_unref(reply);
  }

  ~TPrivateSystemBus() {
    if (FLogind != nullptr) g_object_unref(FLogind);
    if (FDaemon > 0) {
      kill(FDaemon, SIGTERM);
      waitpid(FDaemon, nullptr, 0);
      g_spawn_close_pid(FDaemon);
    }
  }

  const std::string& Address() const { return FAddress; }

  void PrepareForSleep(bool start) {
    ASSERT_NE(FLogind, nullptr);
    GError* error = nullptr;
    if (!g_dbus_connection_emit_signal(FLogind, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                       "PrepareForSleep", g_variant_new("(b)", start ? TRUE : FALSE), &error)) {
      ADD_FAILURE() << error->message;
      g_clear_error(&error);
    }
    g_dbus_connection_flush_sync(FLogind, nullptr, nullptr);
  }

 private:
  TTempDir FTemp;
  GPid FDaemon = 0;
  std::string FAddress;
  GDBusConnection* FLogind = nullptr;
};

TEST(WebKitMainForm, ResumeFromSleepReachesThePageOneSecondLater) {
  TPrivateSystemBus bus;
  ASSERT_FALSE(bus.Address().empty());
  TMainFormHarness harness(bus.Address());
  ASSERT_TRUE(harness.ShowAndLoad());
  EXPECT_FALSE(harness.HasLog("系统总线不可用"));
  WebKitWebView* view = harness.View();

  bus.PrepareForSleep(true);
  RunFor(std::chrono::milliseconds(300));
  EXPECT_FALSE(harness.HasLog("检测到系统休眠恢复事件")) << "going to sleep is no resume";

  const double sent = static_cast<double>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
  bus.PrepareForSleep(false);
  ASSERT_TRUE(RunUntil([&] { return CallPage(view, "return window.resumeTimes.length;") == "1"; },
                       std::chrono::seconds(10)));
  const double ran = std::stod(CallPage(view, "return window.resumeTimes[0];"));
  EXPECT_GE(ran - sent, 950.0);
  EXPECT_LT(ran - sent, 4000.0);
  EXPECT_EQ(harness.CountLog("检测到系统休眠恢复事件"), 1);
  EXPECT_EQ(harness.CountLog("系统恢复：已执行 JavaScript 触发 pcSystemResume 事件"), 1);
}

TEST(WebKitMainForm, WithoutSystemBusTheWindowSaysSoOnceAndWorks) {
  TMainFormHarness harness("invalid:");
  ASSERT_TRUE(harness.ShowAndLoad());
  EXPECT_EQ(harness.CountLog("系统总线不可用"), 1);
  EXPECT_EQ(CallPage(harness.View(), "return location.origin;"), "\"https://app.vantreel.invalid\"");
}

TEST(WebKitMainForm, MinimiseHidesOnlyWhileATrayIconCanRestore) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  GtkWindow* window = harness.Ui().Window();
  // No tray host under Xvfb: the icon is not embedded, so minimising stays an ordinary one.
  GdkEventWindowState event{};
  event.type = GDK_WINDOW_STATE;
  event.window = gtk_widget_get_window(GTK_WIDGET(window));
  event.changed_mask = GDK_WINDOW_STATE_ICONIFIED;
  event.new_window_state = GDK_WINDOW_STATE_ICONIFIED;
  gboolean handled = FALSE;
  g_signal_emit_by_name(window, "window-state-event", &event, &handled);
  EXPECT_TRUE(harness.Ui().IsVisible());
  EXPECT_FALSE(harness.HasLog("用户点击最小化"));
}

// WebKit's web processes among this process's descendants (bubblewrap sits between when the
// sandbox is on).
std::vector<pid_t> WebProcesses() {
  std::map<pid_t, pid_t> parents;
  std::map<pid_t, std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    const pid_t pid = std::stoi(name);
    names[pid] = line.substr(open + 1, close - open - 1);
    parents[pid] = std::stoi(line.substr(close + 4));  // ") S <ppid>"
  }
  std::vector<pid_t> found;
  for (const auto& [pid, name] : names) {
    if (name.rfind("WebKitWebProces", 0) != 0) continue;
    for (pid_t up = parents[pid]; up > 1; up = parents.count(up) ? parents[up] : 0) {
      if (up == getpid()) {
        found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

// What a task manager, the out-of-memory killer or a crash does to the page: the window
// shows its overlay, opens the entry page again and the page answers; when it keeps
// happening, the window stops and says so.
TEST(WebKitMainForm, AKilledWebProcessIsReplacedUntilItKeepsDying) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  WebKitWebView* view = harness.View();
  const auto killAll = [] {
    const auto pids = WebProcesses();
    for (pid_t pid : pids) kill(pid, SIGKILL);
    return !pids.empty();
  };
  for (int round = 1; round < static_cast<int>(TMainForm::kProcessFailureLimit); ++round) {
    CallPage(view, "window.marked = true; return 0;");
    ASSERT_TRUE(killAll()) << "no web process found";
    ASSERT_TRUE(RunUntil([&] { return harness.CountLog("Web 进程已终止") == round; })) << harness.Dump();
    EXPECT_TRUE(harness.Form().LoadingOverlayShown());
    ASSERT_TRUE(RunUntil([&] {
      return CallPage(view, "return document.readyState === 'complete' && !!window.replies && !window.marked;") == "true";
    })) << harness.Dump();
    CallPage(view, "chrome.webview.postMessage({type: 'auth_seed_request', requestId: 'after-" + std::to_string(round) +
                       "'}); return 0;");
    ASSERT_TRUE(RunUntil([&] {
      return CallPage(view, "return window.replies.some((r) => JSON.parse(r).requestId === 'after-" +
                                std::to_string(round) + "');") == "true";
    })) << harness.Dump();
    EXPECT_FALSE(harness.Form().LoadingOverlayShown()) << "the first message removed it again";
  }
  EXPECT_TRUE(harness.MessageBoxes().empty());

  ASSERT_TRUE(killAll());
  ASSERT_TRUE(RunUntil([&] { return !harness.MessageBoxes().empty(); })) << harness.Dump();
  EXPECT_EQ(harness.CountLog("Web 进程反复终止，停止恢复。"), 1);
  RunFor(std::chrono::milliseconds(500));
  EXPECT_EQ(harness.MessageBoxes().size(), 1u);
}

// A page that stops answering (a stopped process, a script stuck in a loop) looks alive but
// answers nothing; it is ended, counted like a crash, and the page comes back.
TEST(WebKitMainForm, AStoppedWebProcessIsEndedAndThePageComesBack) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  WebKitWebView* view = harness.View();
  CallPage(view, "window.marked = true; return 0;");
  const auto stopped = WebProcesses();
  ASSERT_FALSE(stopped.empty()) << "no web process found";
  for (pid_t pid : stopped) kill(pid, SIGSTOP);
  const auto limit = webkitgtk::THangWatch::kUnresponsiveAfter + webkitgtk::THangWatch::kProbeInterval + std::chrono::seconds(30);
  ASSERT_TRUE(RunUntil([&] { return harness.CountLog("Web 进程已终止") == 1; }, limit)) << harness.Dump();
  EXPECT_TRUE(harness.HasLog("Web 进程已终止：web process stopped responding and was ended")) << harness.Dump();
  ASSERT_TRUE(RunUntil([&] {
    return CallPage(view, "return document.readyState === 'complete' && !!window.replies && !window.marked;") == "true";
  })) << harness.Dump();
  CallPage(view, "chrome.webview.postMessage({type: 'auth_seed_request', requestId: 'after-stop'}); return 0;");
  ASSERT_TRUE(RunUntil([&] {
    return CallPage(view, "return window.replies.some((r) => JSON.parse(r).requestId === 'after-stop');") == "true";
  })) << harness.Dump();
  // Gone, or dead and waiting for its parent in the sandbox to collect it.
  const auto ended = [](pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
  };
  for (pid_t pid : stopped) {
    EXPECT_TRUE(RunUntil([&] { return ended(pid); }, std::chrono::seconds(10))) << "the stopped process " << pid
                                                                                << " is still there";
    kill(pid, SIGCONT);  // should it be, it must not stay stopped behind the test
  }
}

// The window's own process stopped (a debugger, SIGSTOP, a suspended machine) gave the page no
// chance to answer: that is no hung page.
TEST(WebKitMainForm, AStoppedWindowDoesNotTakeItsPageForHung) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  // A probe is on its way once a tick has passed.
  RunFor(webkitgtk::THangWatch::kProbeInterval + std::chrono::seconds(1));
  std::this_thread::sleep_for(webkitgtk::THangWatch::kUnresponsiveAfter + std::chrono::seconds(3));
  RunFor(webkitgtk::THangWatch::kProbeInterval * 3);
  EXPECT_EQ(harness.CountLog("Web 进程已终止"), 0) << harness.Dump();
  CallPage(harness.View(), "chrome.webview.postMessage({type: 'auth_seed_request', requestId: 'after-pause'}); return 0;");
  EXPECT_TRUE(RunUntil([&] {
    return CallPage(harness.View(), "return window.replies.some((r) => JSON.parse(r).requestId === 'after-pause');") ==
           "true";
  })) << harness.Dump();
}

// Copies of `needle` in this process's writable memory, as a core of it would show them,
// other than the needle itself. Read through process_vm_readv, so that a region unmapped
// meanwhile by another thread is skipped instead of faulting.
std::vector<int> CopiesInOwnMemory(const std::vector<const std::string*>& needles) {
  constexpr std::size_t kChunk = 1 << 20;
  auto* buffer = static_cast<char*>(mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  const auto bufferStart = reinterpret_cast<std::uintptr_t>(buffer);
  std::vector<int> copies(needles.size(), 0);
  std::size_t longest = 0;
  for (const auto* needle : needles) longest = std::max(longest, needle->size());
  std::vector<unsigned char> resident(kChunk / 4096);
  // Regions with nothing resident hold nothing (and reading them would fault pages in).
  struct TRegion {
    std::uintptr_t start, end;
    bool writable;
    long residentKb;
  };
  std::vector<TRegion> regions;
  std::ifstream maps("/proc/self/smaps");
  std::string line;
  while (std::getline(maps, line)) {
    std::uintptr_t start = 0, end = 0;
    char perms[5] = {};
    long kb = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) == 3) {
      regions.push_back({start, end, perms[0] == 'r' && perms[1] == 'w', 0});
    } else if (!regions.empty() && std::sscanf(line.c_str(), "Rss: %ld kB", &kb) == 1) {
      regions.back().residentKb = kb;
    }
  }
  for (const TRegion& region : regions) {
    if (!region.writable || region.residentKb == 0 || region.start == bufferStart) continue;
    // JavaScriptCore reserves tens of GB of address space for its cages (the page's scripts
    // run in the web process, not here); walking them costs a minute and found nothing more.
    if (region.end - region.start > (std::uintptr_t{4} << 30)) continue;
    for (std::uintptr_t at = region.start; at < region.end;) {
      const std::size_t length = std::min<std::size_t>(kChunk, region.end - at);
      // Large reservations are mostly untouched: skip chunks with no page in memory.
      if (mincore(reinterpret_cast<void*>(at), length, resident.data()) == 0 &&
          std::none_of(resident.begin(), resident.begin() + static_cast<long>((length + 4095) / 4096),
                       [](unsigned char page) { return page & 1; })) {
        at += length;
        continue;
      }
      iovec local{buffer, length};
      iovec remote{reinterpret_cast<void*>(at), length};
      const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
      if (got <= 0) break;
      for (std::size_t n = 0; n < needles.size(); ++n) {
        const std::string& needle = *needles[n];
        const auto self = reinterpret_cast<std::uintptr_t>(needle.data());
        const char* from = buffer;
        const char* const last = buffer + got;
        while (const void* hit = memmem(from, static_cast<std::size_t>(last - from), needle.data(), needle.size())) {
          const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - buffer);
          // Counted in the chunk where it starts, so an overlap never counts it twice.
          if (at + offset != self && (offset + longest <= static_cast<std::size_t>(got) || at + got >= region.end))
            ++copies[n];
          from = static_cast<const char*>(hit) + 1;
        }
      }
      at += static_cast<std::size_t>(got) > longest ? static_cast<std::size_t>(got) - longest + 1 : got;
    }
  }
  explicit_bzero(buffer, kChunk);
  munmap(buffer, kChunk);
  return copies;
}

// What the window process still holds of secret replies, sought as a core of the process
// would show it (the test never reads them from the page): nothing of the bridge's own
// handling; what the trip to the page leaves in WebKit's and GLib's freed buffers is printed.
TEST(WebKitMainForm, SecretRepliesAreNotLeftInTheWindowProcess) {
  TMainFormHarness harness;
  ASSERT_TRUE(harness.ShowAndLoad());
  WebKitWebView* view = harness.View();
  // The texts as the replies carry them, JSON-escaped, made without leaving copies behind.
  const auto escaped = [](std::string raw) {
    std::string text;
    text.reserve(raw.size() * 2 + 2);
    AppendJsonString(text, raw);
    WipeString(raw);
    text.erase(0, 1);
    text.pop_back();
    return text;
  };
  std::string token = escaped(GenerateToken("kid-core"));
  std::string seed = escaped(GetAuthSeed());
  ASSERT_EQ(CopiesInOwnMemory({&token, &seed}), (std::vector<int>{0, 0}));

  for (const char* request : {R"({"type":"generate_token","requestId":"c","identifier":"kid-core"})",
                              R"({"type":"auth_seed_request","requestId":"c"})"}) {
    std::string reply;
    ASSERT_TRUE(ProcessWebMessage(request, reply));
    WipeString(reply);
  }
  EXPECT_EQ(CopiesInOwnMemory({&token, &seed}), (std::vector<int>{0, 0})) << "the bridge leaves nothing behind";

  const std::string before = CallPage(view, "return window.replies.length;");
  CallPage(view, "chrome.webview.postMessage({type: 'generate_token', requestId: 'core-1', identifier: 'kid-core'});"
                 "chrome.webview.postMessage({type: 'auth_seed_request', requestId: 'core-2'}); return 0;");
  ASSERT_TRUE(RunUntil([&] { return CallPage(view, "return window.replies.length;") == std::to_string(std::stoi(before) + 2); }));
  RunFor(std::chrono::milliseconds(500));
  const auto copies = CopiesInOwnMemory({&token, &seed});
  WipeString(token);
  WipeString(seed);
  std::printf("after a token and a seed request through the page: %d copies of the token, %d of the seed"
              " (freed buffers of the browser's transport)\n", copies[0], copies[1]);
  RecordProperty("token_copies", copies[0]);
  RecordProperty("seed_copies", copies[1]);
}

}  // namespace
}  // namespace vantreel
