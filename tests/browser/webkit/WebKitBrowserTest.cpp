// The WebKitGTK browser backend against a real WebKit under Xvfb: creation rules, the https
// origin answered from memory through the resource-request event, navigations within the
// origin, the page message channel in both directions and scripts held across a navigation.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <libsoup/soup.h>

#include "browser/WebViewHost.h"
#include "browser/webkitgtk/WebKitBrowser.h"
#include "browser/webkitgtk/WebKitBrowserFactory.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "platform/DebugOutput.h"
#include "tests/browser/webkit/WebKitTestSupport.h"

namespace vantreel {
namespace {

using test::CallPage;
using test::RunFor;
using test::RunUntil;
using test::TTempDir;
using webkitgtk::TWebKitBrowser;
using webkitgtk::TWebKitBrowserFactory;

constexpr const char* kOrigin = "https://test.vantreel.invalid";
const std::pair<std::string, std::string> kNoStoreHeaders[] = {{"Cache-Control", "no-store, no-cache, must-revalidate"},
                                                               {"Pragma", "no-cache"}};
// Sent with every answer, as the window sends its page's policy.
constexpr const char* kPolicy = "default-src 'self'; img-src 'self' data:; script-src 'self'";
// So that page script can read the header of an answer (WebKit takes them as cross-origin).
const std::pair<std::string, std::string> kExposePolicy = {"Access-Control-Expose-Headers", "Content-Security-Policy"};

const TBytes kPng = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
                     0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xfd,
                     0xd4, 0x9a, 0x73, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
                     0xcf, 0xc0, 0x00, 0x44, 0x0c, 0x60, 0xf2, 0x3f, 0x00, 0x1b, 0xf2, 0x03, 0xfd, 0xf3, 0xe7,
                     0x4b, 0xb1, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TBytes Text(const std::string& text) { return TBytes(text.begin(), text.end()); }

struct TFile {
  std::string mimeType;
  TBytes content;
};

const std::map<std::string, TFile>& Files() {
  static const std::map<std::string, TFile> files = {
      {"/index.html",
       {"text/html; charset=utf-8",
        Text("<!doctype html><html><head><meta http-equiv=\"Content-Security-Policy\""
             " content=\"default-src 'self'; img-src 'self'; script-src 'self'; connect-src 'self'\">"
             "<link rel=stylesheet href=\"style.css\">"
             "<script src=\"js/app.js\"></script><script type=module src=\"js/module.js\"></script></head><body><img id=dot src=\"img/dot.png\">"
             "<a id=next href=\"page2.html\">next</a><p>entry \xe4\xb8\xad</p></body></html>")}},
      {"/page2.html", {"text/html; charset=utf-8", Text("<!doctype html><p id=second>second</p>")}},
      {"/style.css", {"text/css; charset=utf-8", Text("body { background-color: rgb(1, 2, 3); }")}},
      {"/js/app.js", {"application/javascript; charset=utf-8", Text("window.appLoaded = (window.appLoaded || 0) + 1;")}},
      {"/js/module.js", {"text/javascript; charset=utf-8", Text("import { two } from './two.js'; window.moduleLoaded = two;")}},
      {"/js/two.js", {"text/javascript; charset=utf-8", Text("export const two = 2;")}},
      {"/img/dot.png", {"image/png", kPng}},
      {"/data.json", {"application/json; charset=utf-8", Text("{\"answer\":42}")}},
      {"/empty.txt", {"text/plain; charset=utf-8", {}}},
      {"/refresh.html",
       {"text/html; charset=utf-8", Text("<!doctype html><meta http-equiv=refresh content=\"0; url=https://elsewhere.invalid/\"><p>r")}},
      {"/file.bin", {"application/octet-stream", Text("not for the disk")}},
      {"/img/logo.svg",
       {"image/svg+xml", Text("<svg xmlns=\"http://www.w3.org/2000/svg\"><script>top.svgRan = 1;</script></svg>")}},
      {"/bare.html",
       {"text/html; charset=utf-8",
        Text("<!doctype html><html><head><script>window.inlineRan = true;</script><script src=\"js/app.js\"></script>"
             "</head><body><p id=bare>bare</p></body></html>")}},
  };
  return files;
}

class WebKitBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDebugOutputSinkForTesting([this](std::string_view line) { FDebug.emplace_back(line); });
    FFactory = std::make_unique<TWebKitBrowserFactory>(VANTREEL_WEBEXT_DIR);
    FLoader = FFactory->CreateLoader();
    FLoader->SetUserDataFolder((FTemp.Path() / "cache").string());
    SetGlobalWebView2Loader(FLoader.get());
    ASSERT_TRUE(FLoader->StartWebView2());
    EXPECT_TRUE(FLoader->Initialized()) << "the environment is complete when the call returns";
    FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(FWindow), 800, 600);
    FClientArea = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(FWindow), FClientArea);
    gtk_widget_show_all(FWindow);
    FParent = FFactory->CreateWindowParent(FClientArea);
    FParent->SetVisible(true);
    FBrowser = FFactory->CreateBrowser();
  }

  void TearDown() override {
    FBrowser.reset();
    FParent.reset();
    SetGlobalWebView2Loader(nullptr);
    FLoader.reset();
    gtk_widget_destroy(FWindow);
    SetDebugOutputSinkForTesting({});
  }

  int Debug(const std::string& line) const { return static_cast<int>(std::count(FDebug.begin(), FDebug.end(), line)); }

  // Creates the browser, serves Files() under kOrigin and records what reaches the host.
  void CreateServing() {
    bool created = false;
    FBrowser->OnAfterCreated = [&created] { created = true; };
    FBrowser->OnWebResourceRequested = [this](IWebResourceRequestedEventArgs& args) { Serve(args); };
    FBrowser->OnWebMessageReceived = [this](IWebMessageReceivedEventArgs& args) {
      std::string json;
      ASSERT_EQ(args.GetWebMessageAsJson(json), kHResultOk);
      FMessages.push_back(json);
    };
    ASSERT_TRUE(FBrowser->CreateBrowser(FParent->Handle(), FLoader->Environment()));
    EXPECT_FALSE(created) << "raised from the main loop";
    ASSERT_TRUE(RunUntil([&created] { return created; }));
    ASSERT_TRUE(FBrowser->AddWebResourceRequestedFilter(std::string(kOrigin) + "/*", 0));
    g_signal_connect(View(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                       if (event == WEBKIT_LOAD_FINISHED) ++static_cast<WebKitBrowserTest*>(self)->FLoadsFinished;
                     }),
                     this);
  }

  void Serve(IWebResourceRequestedEventArgs& args) {
    std::shared_ptr<IWebResourceRequest> request;
    ASSERT_EQ(args.GetRequest(request), kHResultOk);
    std::string uri;
    ASSERT_EQ(request->GetUri(uri), kHResultOk);
    FRequested.push_back(uri);
    std::string path = uri.substr(std::string(kOrigin).size());
    path = path.substr(0, path.find_first_of("?#"));
    if (path == "/") path = "/index.html";
    if (path == "/unanswered") return;
    auto env = FLoader->Environment();
    std::shared_ptr<IWebResourceResponse> response;
    auto file = Files().find(path);
    TWebResourceAnswer answer;
    if (file != Files().end()) {
      answer.content = std::make_shared<const TBytes>(file->second.content);
      answer.contentType = file->second.mimeType;
      answer.headers.assign(std::begin(kNoStoreHeaders), std::end(kNoStoreHeaders));
    } else {
      answer.statusCode = 404;
      answer.reasonPhrase = "Not Found";
      answer.content = std::make_shared<const TBytes>(Text("Not Found"));
      answer.contentType = "text/plain; charset=utf-8";
      answer.headers = {{"Cache-Control", "no-store"}};
    }
    answer.headers.emplace_back("Content-Security-Policy", kPolicy);
    answer.headers.push_back(kExposePolicy);
    ASSERT_EQ(env->CreateWebResourceResponse(std::move(answer), response), kHResultOk);
    args.SetResponse(response);
  }

  WebKitWebView* View() { return static_cast<TWebKitBrowser*>(FBrowser.get())->WebView(); }

  void NavigateAndWait(const std::string& uri) {
    const int before = FLoadsFinished;
    ASSERT_TRUE(FBrowser->Navigate(uri));
    ASSERT_TRUE(RunUntil([&] { return FLoadsFinished > before; })) << uri;
  }

  // The page's marker survives only while no navigation replaced the document.
  void ExpectStillOn(const std::string& uri, const std::string& what) {
    EXPECT_EQ(CallPage(View(), "return [location.href, window.marker === 1];"), "[\"" + uri + "\",true]") << what;
  }

  int Requests(const std::string& uri) const {
    return static_cast<int>(std::count(FRequested.begin(), FRequested.end(), uri));
  }

  TTempDir FTemp;
  std::unique_ptr<TWebKitBrowserFactory> FFactory;
  std::unique_ptr<IWebViewLoader> FLoader;
  GtkWidget* FWindow = nullptr;
  GtkWidget* FClientArea = nullptr;
  std::unique_ptr<IWindowParent> FParent;
  std::unique_ptr<IWebBrowser> FBrowser;
  std::vector<std::string> FRequested;
  std::vector<std::string> FMessages;
  std::vector<std::string> FDebug;
  int FLoadsFinished = 0;
};

TEST_F(WebKitBrowserTest, CreationFollowsTheInterfaceRules) {
  // Before creation settings read false and ignore writes.
  FBrowser->SetDevToolsEnabled(true);
  EXPECT_FALSE(FBrowser->DevToolsEnabled());
  EXPECT_FALSE(FBrowser->DefaultContextMenusEnabled());
  EXPECT_FALSE(FBrowser->AreBrowserAcceleratorKeysEnabled());
  EXPECT_FALSE(FBrowser->HasCoreWebView2());
  EXPECT_FALSE(FBrowser->Navigate(std::string(kOrigin) + "/"));
  EXPECT_FALSE(FBrowser->ExecuteScript("1", 0));

  EXPECT_FALSE(FBrowser->CreateBrowser(nullptr, FLoader->Environment()));
  SetGlobalWebView2Loader(nullptr);
  EXPECT_FALSE(FBrowser->CreateBrowser(FParent->Handle(), FLoader->Environment()));
  SetGlobalWebView2Loader(FLoader.get());

  CreateServing();
  EXPECT_TRUE(FBrowser->HasCoreWebView2());
  EXPECT_TRUE(FBrowser->DevToolsEnabled());
  EXPECT_TRUE(FBrowser->DefaultContextMenusEnabled());
  EXPECT_TRUE(FBrowser->AreBrowserAcceleratorKeysEnabled());
  EXPECT_TRUE(webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(View())));
  EXPECT_FALSE(FBrowser->CreateBrowser(FParent->Handle(), FLoader->Environment())) << "exists already";

  FBrowser->SetDevToolsEnabled(false);
  EXPECT_FALSE(FBrowser->DevToolsEnabled());
  EXPECT_FALSE(webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(View())));
  FBrowser->SetDevToolsEnabled(true);
  FBrowser->SetAdditionalBrowserArguments("--foo --disable-dev-tools");
  EXPECT_FALSE(webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(View())));
}

// A GL canvas on the web process's main thread crashed that process now and then under
// software GL, so the view keeps canvases in memory; a WebKit that renamed the setting shows here.
TEST_F(WebKitBrowserTest, CanvasesAreDrawnInMemory) {
  CreateServing();
  std::unique_ptr<WebKitFeatureList, decltype(&webkit_feature_list_unref)> features(
      webkit_settings_get_all_features(), &webkit_feature_list_unref);
  WebKitFeature* canvasOnGl = webkitgtk::FindWebKitFeature(features.get(), webkitgtk::kCanvasOnGlFeature);
  ASSERT_NE(canvasOnGl, nullptr) << "WebKit no longer names the setting";
  EXPECT_TRUE(webkit_feature_get_default_value(canvasOnGl)) << "on by default, so the view must turn it off";
  EXPECT_FALSE(webkit_settings_get_feature_enabled(webkit_web_view_get_settings(View()), canvasOnGl));
}

TEST_F(WebKitBrowserTest, UninitialisedLoaderRefusesCreation) {
  auto pending = FFactory->CreateLoader();
  pending->SetUserDataFolder((FTemp.Path() / "other").string());  // never started
  SetGlobalWebView2Loader(pending.get());
  EXPECT_FALSE(FBrowser->CreateBrowser(FParent->Handle(), nullptr));
  SetGlobalWebView2Loader(FLoader.get());
}

TEST_F(WebKitBrowserTest, LoaderReportsUnusableFolderAndMissingExtensionAtOnce) {
  const auto file = FTemp.Path() / "plain-file";
  { std::ofstream(file) << "x"; }
  struct TCase {
    std::string folder;
    std::string extensionDir;
    std::string messagePart;
  };
  const TCase cases[] = {
      {(file / "cache").string(), VANTREEL_WEBEXT_DIR, "user-data folder cannot be used"},
      {"", VANTREEL_WEBEXT_DIR, "not set"},
      {(FTemp.Path() / "ok").string(), FTemp.Path().string(), "vantreel-webext.so"},
  };
  for (const auto& c : cases) {
    TWebKitBrowserFactory factory(c.extensionDir);
    auto loader = factory.CreateLoader();
    loader->SetUserDataFolder(c.folder);
    EXPECT_FALSE(loader->StartWebView2());
    EXPECT_TRUE(loader->InitializationError()) << c.folder;
    EXPECT_FALSE(loader->Initialized());
    EXPECT_NE(loader->ErrorMessage().find(c.messagePart), std::string::npos) << loader->ErrorMessage();
    EXPECT_EQ(loader->Environment(), nullptr);
  }
}

TEST_F(WebKitBrowserTest, OriginIsServedFromTheHostWithItsHeaders) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  EXPECT_EQ(CallPage(View(), "return [location.origin, location.href, isSecureContext];"),
            "[\"https://test.vantreel.invalid\",\"https://test.vantreel.invalid/\",true]");
  // Script, stylesheet and image of the document came through the host.
  RunUntil([&] { return CallPage(View(), "return document.readyState;") == "\"complete\""; });
  EXPECT_EQ(CallPage(View(), "return [window.appLoaded, window.moduleLoaded, getComputedStyle(document.body).backgroundColor,"
                             " document.getElementById('dot').naturalWidth];"),
            "[1,2,\"rgb(1, 2, 3)\",2]");
  EXPECT_EQ(Requests(std::string(kOrigin) + "/js/app.js"), 1);
  EXPECT_EQ(Requests(std::string(kOrigin) + "/style.css"), 1);
  EXPECT_EQ(Requests(std::string(kOrigin) + "/img/dot.png"), 1);

  EXPECT_EQ(CallPage(View(), "const r = await fetch('data.json?x=1');"
                             "return [r.status, r.headers.get('content-type'), r.headers.get('cache-control'),"
                             " r.headers.get('pragma'), await r.text()];"),
            "[200,\"application/json; charset=utf-8\",\"no-store, no-cache, must-revalidate\",\"no-cache\","
            "\"{\\\"answer\\\":42}\"]");
  EXPECT_EQ(Requests(std::string(kOrigin) + "/data.json?x=1"), 1) << "query passed on unchanged";

  EXPECT_EQ(CallPage(View(), "return await new Promise((resolve) => {"
                             " const x = new XMLHttpRequest(); x.open('GET', '/js/app.js');"
                             " x.onload = () => resolve([x.status, x.getResponseHeader('Content-Type'),"
                             "  x.getResponseHeader('Pragma'), x.responseText.length]);"
                             " x.onerror = () => resolve('xhr error'); x.send(); });"),
            "[200,\"application/javascript; charset=utf-8\",\"no-cache\",47]");

  EXPECT_EQ(CallPage(View(), "const r = await fetch('/missing'); return [r.status, r.statusText, await r.text(),"
                             " r.headers.get('content-type')];"),
            "[404,\"Not Found\",\"Not Found\",\"text/plain; charset=utf-8\"]");
  EXPECT_EQ(CallPage(View(), "const r = await fetch('/empty.txt'); return [r.status, (await r.text()).length];"),
            "[200,0]");
  // The page's own URL, asked for by the page, is answered like any other.
  EXPECT_EQ(CallPage(View(), "const r = await fetch(location.href); return [r.status, (await r.text()).includes('entry')];"),
            "[200,true]");
  EXPECT_EQ(Requests(std::string(kOrigin) + "/"), 2) << "the document, then the fetch";
  // Left without an answer: a network error, never a network request.
  EXPECT_EQ(CallPage(View(), "try { await fetch('/unanswered'); return 'answered'; }"
                             " catch (e) { return e.name; }"),
            "\"TypeError\"");
}

// The policy header reaches the page with every kind of answer (this test's answers let
// the page read it), and a document the host loads itself, which has no headers of its
// own, is held to it.
TEST_F(WebKitBrowserTest, ThePolicyHeaderComesWithEveryAnswerAndHoldsForDocuments) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  EXPECT_EQ(CallPage(View(), "const out = [];"
                             " for (const p of ['style.css', 'js/app.js', 'js/two.js', 'img/dot.png', 'data.json',"
                             "  'img/logo.svg', 'missing', 'empty.txt', 'page2.html']) {"
                             "  const r = await fetch(p); out.push(r.status + ' ' + r.headers.get('content-security-policy')); }"
                             " return out;"),
            std::string("[\"200 ") + kPolicy + "\",\"200 " + kPolicy + "\",\"200 " + kPolicy + "\",\"200 " + kPolicy +
                "\",\"200 " + kPolicy + "\",\"200 " + kPolicy + "\",\"404 " + kPolicy + "\",\"200 " + kPolicy +
                "\",\"200 " + kPolicy + "\"]");

  // A document with no policy of its own: its inline script is refused, its own script runs.
  NavigateAndWait(std::string(kOrigin) + "/bare.html");
  RunUntil([&] { return CallPage(View(), "return document.readyState;") == "\"complete\""; });
  EXPECT_EQ(CallPage(View(), "return [window.inlineRan === undefined, window.appLoaded, !!document.getElementById('bare')];"),
            "[true,1,true]");
}

// Nothing of the origin but a document becomes the window's page: not a file a link would
// download, not what an object or embed element shows, not an image or script went to.
TEST_F(WebKitBrowserTest, OnlyDocumentsOfTheOriginBecomeThePage) {
  CreateServing();
  const std::string entry = std::string(kOrigin) + "/";
  NavigateAndWait(entry);
  CallPage(View(), "window.marker = 1; return 0;");
  const struct {
    const char* what;
    const char* script;
    const char* refused;  // the URL whose navigation is refused
  } navigations[] = {
      {"a download link to a script",
       "const a = document.createElement('a'); a.href = 'js/app.js'; a.download = ''; document.body.append(a); a.click();",
       "/js/app.js"},
      {"a link to an SVG image", "const a = document.createElement('a'); a.href = 'img/logo.svg'; document.body.append(a); a.click();",
       "/img/logo.svg"},
      {"script to JSON", "location.href = 'data.json';", "/data.json"},
      {"script to an image", "location.assign('img/dot.png');", "/img/dot.png"},
  };
  for (const auto& n : navigations) {
    CallPage(View(), std::string(n.script) + " return 0;");
    EXPECT_TRUE(RunUntil([&] { return Debug("[BROWSER] navigation refused: " + std::string(kOrigin) + n.refused) >= 1; },
                         std::chrono::seconds(5)))
        << n.what;
    ExpectStillOn(entry, n.what);
  }
  // Objects and embeds are refused by the document's policy before any navigation.
  for (const char* element : {"const o = document.createElement('object'); o.data = 'index.html';",
                              "const o = document.createElement('embed'); o.src = 'page2.html';",
                              "const o = document.createElement('object'); o.data = 'img/logo.svg'; o.type = 'image/svg+xml';"}) {
    EXPECT_EQ(CallPage(View(), std::string("return await new Promise((resolve) => {"
                                           " document.addEventListener('securitypolicyviolation',"
                                           "  (e) => resolve(e.effectiveDirective), {once: true}); ") +
                                   element + " document.body.append(o); });"),
              "\"object-src\"")
        << element;
    ExpectStillOn(entry, element);
  }
  EXPECT_EQ(Requests(std::string(kOrigin) + "/index.html"), 0);
  EXPECT_EQ(Requests(std::string(kOrigin) + "/page2.html"), 0);
  EXPECT_EQ(CallPage(View(), "return window.svgRan === undefined;"), "true");
}

TEST_F(WebKitBrowserTest, OtherOriginsAreLeftToWebKit) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  EXPECT_EQ(CallPage(View(), "try { await fetch('https://elsewhere.invalid/x.js'); return 'answered'; }"
                             " catch (e) { return e.name; }"),
            "\"TypeError\"");
  for (const auto& uri : FRequested) EXPECT_EQ(uri.rfind(kOrigin, 0), 0u) << uri;
}

TEST_F(WebKitBrowserTest, ReloadsAndLinksStayWithinTheHost) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  ASSERT_EQ(Requests(std::string(kOrigin) + "/"), 1);

  const int before = FLoadsFinished;
  webkit_web_view_reload(View());
  ASSERT_TRUE(RunUntil([&] { return FLoadsFinished > before; }));
  EXPECT_EQ(Requests(std::string(kOrigin) + "/"), 2);
  EXPECT_EQ(CallPage(View(), "return [location.origin, window.appLoaded];"), "[\"https://test.vantreel.invalid\",1]");

  const int beforeLink = FLoadsFinished;
  CallPage(View(), "document.getElementById('next').click(); return 0;");
  ASSERT_TRUE(RunUntil([&] { return FLoadsFinished > beforeLink && Requests(std::string(kOrigin) + "/page2.html"); }));
  RunUntil([&] { return CallPage(View(), "return !!document.getElementById('second');") == "true"; });
  EXPECT_EQ(CallPage(View(), "return [location.href, document.getElementById('second').textContent];"),
            "[\"https://test.vantreel.invalid/page2.html\",\"second\"]");
}

TEST_F(WebKitBrowserTest, ScriptsSubmittedRightAfterNavigateRunInTheNewDocument) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/page2.html");
  ASSERT_TRUE(FBrowser->Navigate(std::string(kOrigin) + "/"));
  ASSERT_TRUE(FBrowser->ExecuteScript("window.injected = location.pathname;", 0));
  RunUntil([&] { return CallPage(View(), "return window.injected || null;") != "null"; });
  EXPECT_EQ(CallPage(View(), "return window.injected;"), "\"/\"");
}

TEST_F(WebKitBrowserTest, PageMessagesArriveAsWebView2Reports) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  CallPage(View(), "chrome.webview.postMessage({type: 'ping', requestId: 'r1', n: 1});"
                   "chrome.webview.postMessage('say \"hi\" \\\\ there');"
                   "chrome.webview.postMessage('');"
                   "chrome.webview.postMessage(7);"
                   "return 0;");
  ASSERT_TRUE(RunUntil([&] { return FMessages.size() == 4; }));
  EXPECT_EQ(FMessages[0], R"({"type":"ping","requestId":"r1","n":1})");
  EXPECT_EQ(FMessages[1], R"("say \"hi\" \\ there")");
  EXPECT_EQ(FMessages[2], R"("")");
  EXPECT_EQ(FMessages[3], "7");
  EXPECT_EQ(CallPage(View(), "try { chrome.webview.postMessage(undefined); return 'posted'; }"
                             " catch (e) { return e.name; }"),
            "\"TypeError\"");
}

TEST_F(WebKitBrowserTest, HostStringsReachThePageUnchanged) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  CallPage(View(), "window.got = []; window.listener = (e) => window.got.push(e.data);"
                   "chrome.webview.addEventListener('message', window.listener); return 0;");
  const std::string tricky = std::string("{\"a\":\"q\\\"uote\"}\n</script>\xe2\x80\xa8") + '\0' + "after-nul";
  ASSERT_TRUE(FBrowser->PostWebMessageAsString(R"({"type":"x","ok":true})"));
  ASSERT_TRUE(FBrowser->PostWebMessageAsString(tricky));
  ASSERT_TRUE(RunUntil([&] { return CallPage(View(), "return window.got.length;") == "2"; }));
  EXPECT_EQ(CallPage(View(), "return window.got[0];"), R"("{\"type\":\"x\",\"ok\":true}")");
  EXPECT_EQ(CallPage(View(), "return window.got[1] === '{\"a\":\"q\\\\\"uote\"}\\n</script>\\u2028\\u0000after-nul';"),
            "true");
  CallPage(View(), "chrome.webview.removeEventListener('message', window.listener); return 0;");
  FBrowser->PostWebMessageAsString("late");
  RunFor(std::chrono::milliseconds(300));
  EXPECT_EQ(CallPage(View(), "return window.got.length;"), "2");
}

// Each reply's memory goes once the page has it: a client answers for days, and replies carry
// seeds and tokens. Both delivery paths (plain, and split at NUL) are posted 1 MiB at a time.
TEST_F(WebKitBrowserTest, DeliveredRepliesAreNotKept) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  CallPage(View(), "window.sizes = 0; window.count = 0;"
                   "chrome.webview.addEventListener('message', (e) => { window.sizes += e.data.length; ++window.count; });"
                   "return 0;");
  constexpr int kReplies = 60;
  const std::string plain(1 << 20, 'r');
  std::string split = plain;
  split[split.size() / 2] = '\0';
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < kReplies; ++i) ASSERT_TRUE(FBrowser->PostWebMessageAsString(i % 2 ? split : plain));
  ASSERT_TRUE(RunUntil([&] { return CallPage(View(), "return window.count;") == std::to_string(kReplies); }));
  EXPECT_EQ(CallPage(View(), "return window.sizes;"), std::to_string(kReplies * plain.size()));
  const std::size_t after = mallinfo2().uordblks;
  // Kept replies would hold 60 MiB; what WebKit keeps of its own stays far below.
  EXPECT_LT(after > before ? after - before : 0, std::size_t{16} << 20);
}

// Every way a page leaves for another document, in the top frame and from a frame the page
// makes: the view stays on its document, nothing of the origin loads into a frame, nothing
// of another origin is asked for.
TEST_F(WebKitBrowserTest, TheViewNeverLeavesTheOrigin) {
  CreateServing();
  const std::string entry = std::string(kOrigin) + "/";
  NavigateAndWait(entry);
  CallPage(View(), "window.marker = 1; return 0;");
  struct TCase {
    const char* what;
    const char* script;
  };
  const TCase cases[] = {
      {"script to another origin", "location.href = 'https://elsewhere.invalid/';"},
      {"script to a file", "location.assign('file:///etc/passwd');"},
      {"script to about:blank", "location.href = 'about:blank';"},
      {"script to data", "location.href = 'data:text/html,<p>x';"},
      {"link", "const a = document.createElement('a'); a.href = 'http://elsewhere.invalid/';"
               " document.body.append(a); a.click();"},
      {"link to a new window", "const a = document.createElement('a'); a.href = 'page2.html'; a.target = '_blank';"
                               " document.body.append(a); a.click();"},
      {"window.open", "window.open('page2.html');"},
      {"form", "const f = document.createElement('form'); f.action = 'https://elsewhere.invalid/f';"
               " f.method = 'post'; document.body.append(f); f.submit();"},
      {"frame of another origin", "const f = document.createElement('iframe'); f.src = 'https://elsewhere.invalid/';"
                                  " document.body.append(f);"},
      {"frame of the origin", "const f = document.createElement('iframe'); f.src = 'js/app.js';"
                              " document.body.append(f);"},
      {"frame of a file", "const f = document.createElement('iframe'); f.src = 'file:///etc/hostname';"
                          " document.body.append(f);"},
      {"script in a frame", "const f = document.createElement('iframe');"
                            " f.srcdoc = '<script>location.href = \"https://elsewhere.invalid/\";<\\/script>';"
                            " document.body.append(f);"},
      {"link in a frame", "const f = document.createElement('iframe');"
                          " f.srcdoc = '<a id=l href=\"https://elsewhere.invalid/\">x</a><script>l.click();<\\/script>';"
                          " document.body.append(f);"},
      {"form in a frame", "const f = document.createElement('iframe');"
                          " f.srcdoc = '<form id=f action=\"https://elsewhere.invalid/\"></form><script>f.submit();<\\/script>';"
                          " document.body.append(f);"},
      {"meta refresh in a frame", "const f = document.createElement('iframe');"
                                  " f.srcdoc = '<meta http-equiv=refresh content=\"0; url=https://elsewhere.invalid/\">';"
                                  " document.body.append(f);"},
  };
  for (const auto& c : cases) {
    CallPage(View(), std::string(c.script) + " return 0;");
    RunFor(std::chrono::milliseconds(400));
    ExpectStillOn(entry, c.what);
  }
  EXPECT_EQ(Requests(std::string(kOrigin) + "/page2.html"), 0);
  EXPECT_EQ(Requests(std::string(kOrigin) + "/js/app.js"), 1) << "only the document's own script";
  for (const auto& uri : FRequested) EXPECT_EQ(uri.rfind(kOrigin, 0), 0u) << uri;
  EXPECT_EQ(CallPage(View(), "return [...document.querySelectorAll('iframe')].map((f) => {"
                             " try { return f.contentDocument ? f.contentDocument.body.innerHTML : 'closed'; }"
                             " catch (e) { return 'closed'; } }).filter((t) => t && t !== 'closed').length;"),
            "0")
      << "no frame shows anything";

  // A meta refresh in the top document.
  const int refusedBefore = Debug("[BROWSER] navigation refused: https://elsewhere.invalid/");
  NavigateAndWait(std::string(kOrigin) + "/refresh.html");
  // The refresh is tried some time after the load; a busy machine takes longer.
  EXPECT_TRUE(RunUntil([&] { return Debug("[BROWSER] navigation refused: https://elsewhere.invalid/") > refusedBefore; }));
  EXPECT_EQ(CallPage(View(), "return location.href;"), "\"" + std::string(kOrigin) + "/refresh.html\"");
  EXPECT_GE(Debug("[BROWSER] new window refused"), 1);
}

TEST_F(WebKitBrowserTest, TheHostCannotNavigateElsewhereEither) {
  CreateServing();
  EXPECT_FALSE(FBrowser->Navigate("https://elsewhere.invalid/"));
  const std::string entry = std::string(kOrigin) + "/";
  NavigateAndWait(entry);
  CallPage(View(), "window.marker = 1; return 0;");
  webkit_web_view_load_html(View(), "<p id=foreign>foreign</p>", "https://elsewhere.invalid/");
  webkit_web_view_load_uri(View(), "file:///etc/hostname");
  RunFor(std::chrono::milliseconds(500));
  ExpectStillOn(entry, "loads of the view itself");
}

// The side dialogs and what they lead to: nothing opens, nothing reaches the disk, every
// refusal is in the log, and the page goes on.
TEST_F(WebKitBrowserTest, SideDoorsStayShut) {
  CreateServing();
  const std::string entry = std::string(kOrigin) + "/";
  NavigateAndWait(entry);
  CallPage(View(), "window.marker = 1; return 0;");
  const auto toplevels = [] {
    GList* list = gtk_window_list_toplevels();
    int visible = 0;
    for (GList* l = list; l != nullptr; l = l->next) visible += gtk_widget_get_visible(GTK_WIDGET(l->data)) ? 1 : 0;
    g_list_free(list);
    return visible;
  };
  const int windowsBefore = toplevels();

  EXPECT_EQ(CallPage(View(), "window.print(); return 'returned';"), "\"returned\"");
  EXPECT_EQ(CallPage(View(), "alert('a'); return [confirm('c'), prompt('p', 'default')];"), "[false,null]");
  EXPECT_EQ(CallPage(View(), "return await Notification.requestPermission();"), "\"denied\"");
  EXPECT_EQ(CallPage(View(), "return await new Promise((resolve) => navigator.geolocation.getCurrentPosition("
                             " () => resolve('granted'), (e) => resolve(e.code)));"),
            "1");
  // A file input opens no chooser.
  CallPage(View(), "const i = document.createElement('input'); i.type = 'file'; i.id = 'pick';"
                   " document.body.append(i); i.click(); return 0;");
  ASSERT_TRUE(RunUntil([&] { return Debug("[BROWSER] file chooser refused") == 1; })) << "the chooser was asked for";
  ExpectStillOn(entry, "after the dialogs");

  // Downloads: one that the browser is asked for, and a document WebKit cannot show.
  WebKitDownload* download = webkit_web_view_download_uri(View(), (std::string(kOrigin) + "/file.bin").c_str());
  bool finished = false;
  g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload*, gpointer flag) { *static_cast<bool*>(flag) = true; }),
                   &finished);
  ASSERT_TRUE(RunUntil([&] { return Debug("[BROWSER] download refused") == 1 && finished; }));
  EXPECT_EQ(webkit_download_get_destination(download), nullptr) << "nothing was written";
  g_object_unref(download);
  // A file of the origin that WebKit would rather save is no document: the page stays.
  CallPage(View(), "location.href = 'file.bin'; return 0;");
  ASSERT_TRUE(RunUntil([&] { return Debug("[BROWSER] navigation refused: " + std::string(kOrigin) + "/file.bin") == 1; }));
  EXPECT_EQ(Debug("[BROWSER] download refused"), 1);
  RunFor(std::chrono::milliseconds(300));
  ExpectStillOn(entry, "after a file of the origin");

  EXPECT_EQ(toplevels(), windowsBefore) << "no dialog, chooser or window";
  for (const char* line : {"[BROWSER] print refused", "[BROWSER] script dialog refused",
                           "[BROWSER] permission request refused"})
    EXPECT_GE(Debug(line), 1) << line;
}

// Neither the page's own scripts nor any frame can reach the native handler; only the
// channel posts, and only from a document of the origin.
TEST_F(WebKitBrowserTest, OnlyTheOriginsTopDocumentReachesTheHost) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  EXPECT_EQ(CallPage(View(), "return typeof (window.webkit && window.webkit.messageHandlers &&"
                             " window.webkit.messageHandlers.vantreel);"),
            "\"undefined\"");
  CallPage(View(), "const f = document.createElement('iframe'); f.srcdoc = '<p>x';"
                   " document.body.append(f); return 0;");
  RunFor(std::chrono::milliseconds(300));
  EXPECT_EQ(CallPage(View(), "const w = document.querySelector('iframe').contentWindow;"
                             " try { return [typeof w.chrome, typeof (w.webkit && w.webkit.messageHandlers &&"
                             " w.webkit.messageHandlers.vantreel)]; } catch (e) { return 'closed'; }"),
            "[\"undefined\",\"undefined\"]");
  CallPage(View(), "chrome.webview.postMessage({type: 'top'}); return 0;");
  ASSERT_TRUE(RunUntil([&] { return FMessages.size() == 1; }));
  EXPECT_EQ(FMessages[0], R"({"type":"top"})");
}

TEST_F(WebKitBrowserTest, NothingCanBeDroppedOnTheView) {
  CreateServing();
  NavigateAndWait(std::string(kOrigin) + "/");
  EXPECT_EQ(gtk_drag_dest_get_target_list(GTK_WIDGET(View())), nullptr);
}

}  // namespace
}  // namespace vantreel
