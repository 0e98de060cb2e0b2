// The whole client under Xvfb, walked through its own page as a user would: real clicks on
// the page's controls, results read from the page, files checked on a temporary disk, and a
// wake-up delivered by a stand-in logind on a private system bus.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>

#include "auth/UAuthSeedProvider.h"
#include "auth/UTokenGenerator.h"
#include "browser/webkitgtk/WebKitRenderer.h"
#include "crypto/Base64.h"
#include "media/AlarmPhotoFolder.h"
#include "tests/browser/webkit/WebKitTestSupport.h"
#include "tests/e2e/ClientUnderTest.h"
#include "tests/e2e/PageDriver.h"
#include "tests/e2e/TestSystemBus.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::JsonQuote;
using test::JsonUnquote;
using test::RunUntil;

TBytes ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes behind a data URL, as the page holds them.
TBytes DataUrlBytes(const std::string& dataUrl) {
  return Base64DecodeLenient(dataUrl.substr(dataUrl.find(',') + 1));
}

class PageWalk : public ::testing::Test {
 protected:
  // The user's locale, from which the window takes its language.
  virtual const char* Locale() const { return "C.UTF-8"; }

  void SetUp() override {
    home = tmp.Path() / "home";
    pictures = home / "Pictures";
    photos = tmp.Path() / "client" / "alarm_photos";
    fs::create_directories(home / ".config");
    fs::create_directories(pictures);
    std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Pictures\"\n";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local" / "share").c_str(), 1);
    // English page texts whatever the machine's locale, unless a test asks for another.
    setenv("LC_ALL", Locale(), 1);
    webkitgtk::ChooseWebKitRenderer();
    SetAlarmPhotoDirForTesting(photos);

    bus = std::make_unique<test::TTestSystemBus>(tmp.Path());
    client = std::make_unique<test::TClientUnderTest>(VANTREEL_WEBEXT_DIR);
    ASSERT_TRUE(RunUntil([&] { return client->View() != nullptr; }, 30s)) << "the browser never came up";
    page = std::make_unique<test::TPageDriver>(client->View());
    ASSERT_TRUE(page->WaitFor("window.communicationService?._communicationModule?.value?.connection === 'connected'",
                              30s))
        << "the page never reached the client\n" << Diagnose();
  }

  // What the page and the window say, for a failure message.
  std::string Diagnose() const {
    std::string text = "page: " + page->Eval(
        "return { url: location.href, title: document.title, state: document.readyState,"
        " webview: typeof window.chrome?.webview, connection: window.communicationService?._communicationModule?.value?.connection,"
        " activity: window.communicationService?._communicationModule?.value?.activity?.entries?.length };") +
                       // A page that never connects usually threw while starting: loading its
                       // entry module again shows where.
                       "\nstart: " +
                       page->Eval("try { await import('./js/main.js?again'); return 'ok'; }"
                                  " catch (e) { return String(e) + ' ' + e.stack; }") +
                       "\n";
    return text + WindowLog();
  }

  std::string WindowLog() const {
    std::string text = "window log:\n";
    for (const auto& entry : client->Log()) text += "  " + entry.line + "\n";
    return text;
  }

  void TearDown() override {
    page.reset();
    client.reset();
    bus.reset();
    SetAlarmPhotoDirForTesting(std::nullopt);
  }

  // Screens are captured only when asked for, into that folder.
  void Capture(const std::string& name) {
    const char* folder = std::getenv("VANTREEL_E2E_SCREENSHOTS");
    if (!folder || !*folder) return;
    test::RunFor(400ms);
    fs::create_directories(folder);
    test::TPageDriver::Screenshot(fs::path(folder) / (name + ".png"));
  }

  void Open(const std::string& screen) {
    page->Click("#nav-" + screen);
    ASSERT_TRUE(page->WaitFor("!document.querySelector('#screen-" + screen + "').hidden"))
        << screen << " did not open; the page is at " << page->Eval("return location.href;") << "\n" << WindowLog();
  }

  test::TTempDir tmp;
  fs::path home, pictures, photos;
  std::unique_ptr<test::TTestSystemBus> bus;
  std::unique_ptr<test::TClientUnderTest> client;
  std::unique_ptr<test::TPageDriver> page;
};

// How many requests of one type the page has sent so far.
int CountRequests(const test::TPageDriver& page, const std::string& type) {
  return std::stoi(page.Eval(
      "return window.communicationService._communicationModule.value.activity.entries"
      ".filter((e) => e.kind === 'request' && e.type === " + JsonQuote(type) + ").length;"));
}

TEST_F(PageWalk, TheOverviewAsksForTheSeedOnlyWhenTheUserChecksIt) {
  // The page's first request, the photo list, removed the loading overlay.
  EXPECT_TRUE(client->WaitForLog("收到前端消息", nullptr, 5s));
  ASSERT_TRUE(page->WaitFor("document.querySelector('#card-protection').dataset.state === 'protected'"));
  EXPECT_EQ(page->Text("#protection-headline"), "This computer is protected");
  EXPECT_EQ(page->Text("#seed-status"), "Not checked");
  EXPECT_EQ(CountRequests(*page, "auth_seed_request"), 0);
  EXPECT_EQ(CountRequests(*page, "alarm_photo_list"), 1);
  // The tools for support staff are not on the family's first screen.
  EXPECT_FALSE(page->Visible("#challenge-form"));
  EXPECT_FALSE(page->Visible("#token-form"));

  page->Click("#seed-check");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#seed-status').dataset.state === 'available'"));
  EXPECT_EQ(page->Text("#seed-status"), "Available");
  EXPECT_NE(page->Text("#seed-meta").find("45 characters"), std::string::npos);
  EXPECT_EQ(CountRequests(*page, "auth_seed_request"), 1);
  // The page shows the seed's state, length and check time, never the seed, whole or in part.
  const std::string seed = GetAuthSeed();
  EXPECT_EQ(page->Eval("return document.body.innerText.includes(" + JsonQuote(seed.substr(0, 8)) + ") ||"
                       " document.body.innerHTML.includes(" + JsonQuote(seed.substr(seed.size() - 8)) + ");"),
            "false");
  Capture("overview");
}

TEST_F(PageWalk, DiagnosticsAnswersAChallengeAndMakesTokens) {
  Open("diagnostics");
  page->Click("#challenge-generate");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#challenge-random').value !== ''"));
  const std::string random = page->Text("#challenge-random");
  const std::string timestamp = page->Text("#challenge-timestamp");
  ASSERT_EQ(random.size(), 16u);
  page->Click("#challenge-answer");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#challenge-result').hidden"));
  // Answers and tokens show only their ends.
  const std::string response = page->Text("#challenge-response");
  EXPECT_EQ(response.size(), 6u + 3u + 4u) << response;  // the ellipsis is three bytes of UTF-8
  EXPECT_EQ(response.substr(0, 4), random.substr(0, 4));
  EXPECT_EQ(response.substr(response.size() - 4), timestamp.substr(timestamp.size() - 4));
  EXPECT_EQ(page->Text("#challenge-result-label"), "Answer · 100 characters");

  page->Fill("#challenge-random", "  ");
  page->Click("#challenge-answer");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#challenge-message').hidden"));
  EXPECT_EQ(page->Text("#challenge-message"), "Fill in all four challenge fields.");
  EXPECT_FALSE(page->Visible("#challenge-result"));

  page->Fill("#token-identifier", "kid-7");
  page->Click("#token-get");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#token-result').hidden"));
  const std::string token = GenerateToken("kid-7");
  EXPECT_EQ(page->Text("#token-value"), token.substr(0, 6) + "\u2026" + token.substr(token.size() - 4));
  Capture("diagnostics");

  page->Fill("#token-identifier", "   ");
  page->Click("#token-get");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#token-message').hidden"));
  EXPECT_EQ(page->Text("#token-message"), "Enter an identifier.");
}

TEST_F(PageWalk, AlarmPhotosAreSavedListedFilteredViewedAndDeleted) {
  Open("photos");

  // A generated test frame for alarm A77 on device D09.
  page->Fill("#capture-alarm-id", "A77");
  page->Fill("#capture-device-id", "D09");
  page->Click("#capture-generate");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#capture-image').hidden"));
  const TBytes generated = DataUrlBytes(JsonUnquote(page->Eval("return document.querySelector('#capture-image').src;")));
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').dataset.kind === 'success'"));
  const std::string savedText = page->Text("#capture-message");
  std::smatch match;
  const std::string pattern = "Saved as (A77_D09_\\d{8}_\\d{6}\\.jpg)";
  ASSERT_TRUE(std::regex_match(savedText, match, std::regex(pattern))) << savedText;
  const std::string generatedName = match[1];
  ASSERT_TRUE(fs::exists(photos / generatedName));
  EXPECT_EQ(ReadFile(photos / generatedName), generated);
  ASSERT_GE(generated.size(), 2u);
  EXPECT_EQ(generated[0], 0xFF);
  EXPECT_EQ(generated[1], 0xD8);

  // A second frame, for alarm B12 on device D10. The page offers no file chooser. The sample
  // is drawn before the ids are changed: it follows them, so its drawn label names D10.
  EXPECT_EQ(page->Eval("return document.querySelectorAll('input[type=file]').length;"), "0");
  EXPECT_EQ(page->Text("#capture-generate"), "Add a sample photo");
  page->Click("#capture-generate");
  const std::string drawnForD09 = JsonUnquote(page->Eval("return document.querySelector('#capture-image').src;"));
  page->Fill("#capture-alarm-id", "B12");
  page->Fill("#capture-device-id", "D10");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-image').src !== " + JsonQuote(drawnForD09)));
  const TBytes second = DataUrlBytes(JsonUnquote(page->Eval("return document.querySelector('#capture-image').src;")));
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').textContent.includes('B12_D10_')"));
  const std::string secondName = page->Text("#capture-message").substr(std::string("Saved as ").size());
  EXPECT_EQ(fs::path(secondName).extension(), ".jpg");
  EXPECT_EQ(ReadFile(photos / secondName), second);

  // The gallery lists both, each with its thumbnail; the device filter narrows it.
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 2"));
  EXPECT_EQ(page->Text("#gallery-count"), "2 photos");
  EXPECT_TRUE(page->WaitFor(
      "[...document.querySelectorAll('#gallery-grid img')].every((img) => img.complete && img.naturalWidth > 0)"));
  Capture("photos");
  // The filter takes the device id as people type it.
  page->Fill("#gallery-filter", "d09");
  page->Click("#gallery-refresh");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
  EXPECT_EQ(page->Text("#gallery-grid .photo-title"), "Alarm A77");
  page->Fill("#gallery-filter", "D404");
  page->Click("#gallery-refresh");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 0"));
  EXPECT_EQ(page->Text("#gallery-empty"), "No photos for device D404.");
  page->Fill("#gallery-filter", "");
  page->Click("#gallery-refresh");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 2"));
  // Typing and the button each ask for the list; a late answer redraws the cards, and a click
  // meanwhile would land on a card that is gone.
  ASSERT_TRUE(page->WaitFor("window.communicationService._communicationModule.value.bridge.pendingCount === 0"));

  // Full size in the viewer.
  const std::string card = "#gallery-grid .photo[data-file-name=" + JsonQuote(generatedName) + "]";
  page->Click(card + " .view");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer').hidden"));
  ASSERT_TRUE(page->WaitFor("document.querySelector('#viewer-image').naturalWidth === 640"));
  EXPECT_EQ(page->Text("#viewer-file"), generatedName);
  EXPECT_EQ(page->Text("#viewer-title"), "Alarm A77");
  Capture("photo-viewer");

  // Deleting asks first; cancelling keeps the file.
  page->Click("#viewer-delete");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#confirm').hidden"));
  page->Click("#confirm-cancel");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#confirm').hidden"));
  EXPECT_TRUE(fs::exists(photos / generatedName));
  page->Click("#viewer-delete");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#confirm').hidden"));
  page->Click("#confirm-ok");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#viewer').hidden"));
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
  EXPECT_FALSE(fs::exists(photos / generatedName));
  EXPECT_TRUE(fs::exists(photos / secondName));
}

// The client would fall back to "any photo of this alarm" for a path that is gone; the page
// asks only for the file it shows, so a photo removed behind its back is never confused with
// another photo of the same alarm.
TEST_F(PageWalk, APhotoGoneFromDiskIsNeverConfusedWithAnotherOfTheSameAlarm) {
  Open("photos");
  page->Fill("#capture-alarm-id", "A_1");
  page->Click("#capture-generate");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#capture-image').hidden"));
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').dataset.kind === 'error'"));
  EXPECT_EQ(page->Text("#capture-message"), "Use only letters, digits and \"-\" in the IDs.");
  EXPECT_FALSE(fs::exists(photos));

  page->Fill("#capture-alarm-id", "A1");
  for (const char* device : {"D1", "D2"}) {
    page->Fill("#capture-device-id", device);
    page->Click("#capture-generate");
    page->Click("#capture-save");
    ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').textContent.includes('A1_" +
                              std::string(device) + "_')"));
  }
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 2"));
  fs::path gone, kept;
  for (const auto& entry : fs::directory_iterator(photos)) {
    (entry.path().filename().string().find("_D1_") != std::string::npos ? gone : kept) = entry.path();
  }
  ASSERT_FALSE(gone.empty());
  ASSERT_FALSE(kept.empty());
  fs::remove(gone);
  const std::string card = "#gallery-grid .photo[data-file-name=" + JsonQuote(gone.filename().string()) + "]";

  page->Click(card + " .view");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer-message').hidden"));
  EXPECT_EQ(page->Text("#viewer-message"), "The photo could not be found.");
  EXPECT_FALSE(page->Visible("#viewer-image"));
  page->Click("#viewer-close");

  page->Click(card + " .delete");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#confirm').hidden"));
  page->Click("#confirm-ok");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#gallery-message').hidden"));
  EXPECT_EQ(page->Text("#gallery-message"), "The photo no longer exists.");
  EXPECT_TRUE(fs::exists(kept));
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
}

TEST_F(PageWalk, APictureDrawnInThePageIsSavedIntoAnAlbum) {
  Open("save");
  page->Click(".swatch[data-colour=\"#e63946\"]");
  page->Drag("#save-canvas", {{0.2, 0.3}, {0.35, 0.3}, {0.5, 0.3}, {0.65, 0.3}, {0.8, 0.3}});
  // A busy machine coalesces pointer moves, so the smoothed stroke may sit a pixel or two off
  // the line the pointer took: look for the full colour in a short column across it.
  const std::string strokeColumn =
      "const c = document.querySelector('#save-canvas');"
      "const d = c.getContext('2d').getImageData(Math.round(c.width * 0.5), Math.round(c.height * 0.3) - 4, 1, 9).data;"
      "for (let i = 0; i < d.length; i += 4) if (d[i] === 230 && d[i + 1] === 57 && d[i + 2] === 70) return true;"
      "return false;";
  // The pointer events reach the page some time after the drag was sent.
  const std::string strokeDrawn = "(() => {" + strokeColumn + "})()";
  EXPECT_TRUE(page->WaitFor(strokeDrawn)) << "the stroke did not reach the canvas";

  // Another screen and back: the pad still shows (and will save) the picture.
  Open("overview");
  Open("save");
  EXPECT_TRUE(page->WaitFor(strokeDrawn)) << "the picture was lost on the way back";

  page->Fill("#save-album", "Family Trip");
  page->Fill("#save-file-name", "drawing.png");
  page->Click("#save-button");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#save-result').hidden"));
  const fs::path album = pictures / "Family Trip";
  EXPECT_EQ(page->Text("#save-result-file"), (album / "drawing.png").string());
  EXPECT_EQ(page->Text("#save-result-folder"), album.string());
  const TBytes drawn =
      DataUrlBytes(JsonUnquote(page->Eval("return document.querySelector('#save-canvas').toDataURL('image/png');")));
  EXPECT_EQ(ReadFile(album / "drawing.png"), drawn);
  Capture("save-image");

  // The same name again, typed without extension: a free name, said so, the first kept.
  page->Fill("#save-file-name", "drawing");
  page->Click("#save-button");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#save-recent li').length === 2"));
  EXPECT_EQ(page->Text("#save-result-file"), (album / "drawing-2.png").string());
  EXPECT_EQ(page->Text("#save-message"),
            "drawing.png was already saved in this album, so this picture was saved as drawing-2.png.");
  EXPECT_EQ(ReadFile(album / "drawing.png"), drawn);
  EXPECT_TRUE(fs::exists(album / "drawing-2.png"));

  // No album and no name: the Screenshots album and a name from the time.
  page->Fill("#save-album", "");
  page->Fill("#save-file-name", "");
  page->Click("#save-button");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#save-recent li').length === 3"));
  const fs::path automatic = page->Text("#save-result-file");
  EXPECT_EQ(automatic.parent_path(), pictures / "Screenshots");
  EXPECT_TRUE(std::regex_match(automatic.filename().string(), std::regex("image_\\d{8}_\\d{6}\\.png")))
      << automatic;
  EXPECT_TRUE(fs::exists(automatic));
}

TEST_F(PageWalk, AWakeFromSleepReachesThePageWithoutAskingForTheSeed) {
  const int lists = CountRequests(*page, "alarm_photo_list");
  const auto signalled = std::chrono::steady_clock::now();
  bus->EmitResume();
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#wake-count').hidden", 10s));
  // The client waits a second before it tells the page.
  EXPECT_GE(std::chrono::steady_clock::now() - signalled, 900ms);
  EXPECT_EQ(page->Text("#wake-count"), "Wake-ups seen: 1");
  EXPECT_EQ(page->Text("#wake-text").rfind("Woke up at ", 0), 0u) << page->Text("#wake-text");
  EXPECT_NE(page->Text("#toasts").find("The computer woke up at"), std::string::npos);
  EXPECT_TRUE(client->WaitForLog("系统恢复：已执行 JavaScript 触发 pcSystemResume 事件", nullptr, 1s));
  // Photos that came while it slept are listed again; the seed waits for the user's check.
  ASSERT_TRUE(page->WaitFor(
      "window.communicationService._communicationModule.value.activity.entries"
      ".filter((e) => e.kind === 'reply' && e.type === 'alarm_photo_list_response').length === " +
      std::to_string(lists + 1)));
  EXPECT_EQ(CountRequests(*page, "auth_seed_request"), 0);
  EXPECT_EQ(page->Text("#seed-status"), "Not checked");
  Capture("overview-after-wake");

  Open("activity");
  EXPECT_EQ(page->Count("#activity-events .event[data-kind=resume]"), 1);
  EXPECT_EQ(page->Text("#activity-events .event[data-kind=resume] .event-text"), "The computer woke from sleep");
}

TEST_F(PageWalk, ActivityTellsEventsInWordsAndDiagnosticsKeepsTheRawExchangeWithoutSecrets) {
  Open("photos");
  page->Fill("#capture-alarm-id", "A12");
  page->Fill("#capture-device-id", "D0");
  page->Click("#capture-generate");
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').dataset.kind === 'success'"));
  Open("overview");
  page->Click("#seed-check");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#seed-status').dataset.state === 'available'"));
  Open("diagnostics");
  page->Fill("#token-identifier", "kid-7");
  page->Click("#token-get");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#token-result').hidden"));
  page->Click("#challenge-generate");
  page->Click("#challenge-answer");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#challenge-result').hidden"));
  const std::string response = page->Text("#challenge-response");

  // The badge counts what arrived since the Activity screen was last seen, and says so to a
  // screen reader; opening the screen clears it.
  EXPECT_TRUE(page->Visible("#activity-badge"));
  const int unseen = std::stoi(page->Text("#activity-badge"));
  EXPECT_EQ(unseen, 4);  // photo saved, seed checked, token made, challenge answered
  EXPECT_EQ(JsonUnquote(page->Eval("return document.querySelector('#nav-activity').getAttribute('aria-label');")),
            "Activity, " + std::to_string(unseen) + " new in the activity record");
  Open("activity");
  EXPECT_FALSE(page->Visible("#activity-badge"));
  EXPECT_EQ(JsonUnquote(page->Eval("return document.querySelector('#nav-activity').getAttribute('aria-label');")),
            "Activity");
  // Newest first, in words; the routine photo reads are not the family's business.
  EXPECT_EQ(JsonUnquote(page->Eval(
                "return [...document.querySelectorAll('#activity-events .event-text')].map((e) => e.textContent)"
                ".join('|');")),
            "A challenge of the service was answered|Token made for kid-7|Auth seed checked: available|"
            "Photo saved: A12 from device D0");
  EXPECT_EQ(page->Count("#activity-events details"), 0);
  EXPECT_EQ(page->Count("#activity-events code.type"), 0);
  Capture("activity");

  // Diagnostics: every exchange, its raw members folded behind it, each message name whole.
  Open("diagnostics");
  for (const char* type : {"auth_seed_request", "generate_token", "auth_challenge", "alarm_photo_save",
                           "alarm_photo_list", "alarm_photo_get"}) {
    EXPECT_TRUE(page->WaitFor("[...document.querySelectorAll('#diagnostics-events .raw code.type')].some((c) => "
                              "c.textContent === " + JsonQuote(type) + " && c.childElementCount === 0)"))
        << type;
  }
  page->Eval("document.querySelectorAll('#diagnostics-events details').forEach((d) => { d.open = true; }); return 0;");
  const std::string raw = page->Text("#diagnostics-events");
  EXPECT_EQ(raw.find(GetAuthSeed()), std::string::npos);
  EXPECT_EQ(raw.find(GenerateToken("kid-7")), std::string::npos);
  EXPECT_EQ(raw.find(response), std::string::npos);
  EXPECT_NE(raw.find("token=‹24 characters›"), std::string::npos);
  EXPECT_NE(raw.find("seed=‹45 characters›"), std::string::npos);
  Capture("diagnostics-exchange");
}

// Anyone may add files to the shared photo folder: a name may carry a line break or the
// right-to-left override that makes "gpj.exe" read as "exe.jpg". The page shows such
// characters as escapes, so that no name says something other than what it is.
TEST_F(PageWalk, NamesWithHiddenCharactersAreShownVisibly) {
  fs::create_directories(photos);
  std::ofstream(photos / "A1_D1_x\u202Egpj.exe.jpg") << "x";
  std::ofstream(photos / "A2_D1_bad\nline.jpg") << "x";
  Open("photos");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 2"));
  // Tooltips and the text that stands in for an image that does not load, too.
  EXPECT_EQ(page->Eval("const grid = document.querySelector('#gallery-grid');"
                       "return [grid.innerText, ...[...grid.querySelectorAll('[title], [alt]')]"
                       ".flatMap((e) => [e.title, e.alt])].some((t) => /[\\u202E]/.test(t));"),
            "false");
  // Names with a line break cannot stand in a selector: mark each card by its name.
  page->Eval("for (const f of document.querySelectorAll('#gallery-grid .photo'))"
             " f.id = f.dataset.fileName.startsWith('A1_') ? 'bidi-photo' : 'newline-photo'; return 0;");
  page->Click("#bidi-photo .view");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer').hidden"));
  EXPECT_EQ(page->Text("#viewer-file"), "A1_D1_x\\u202Egpj.exe.jpg");
  page->Click("#viewer-close");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#viewer').hidden"));
  page->Click("#newline-photo .view");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer').hidden"));
  EXPECT_EQ(page->Text("#viewer-file"), "A2_D1_bad\\u000Aline.jpg");
}

// In the shared photo folder only the one who saved a photo may delete it; the folder refuses
// anyone else with "Operation not permitted". An immutable file gets the same refusal from
// the kernel even for root, who runs these tests.
TEST_F(PageWalk, APhotoOfAnotherUserSaysThatOnlyItsOwnerCanDeleteIt) {
  fs::create_directories(photos);
  const fs::path theirs = photos / "A5_D5_20261210_104100.jpg";
  std::ofstream(theirs) << "x";
  std::string quoted = "'";
  quoted.append(theirs.string()).push_back('\'');
  if (std::system(("chattr +i " + quoted + " 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "no chattr here";
  struct TMutableAgain {
    std::string path;
    ~TMutableAgain() { (void)!std::system(("chattr -i " + path).c_str()); }
  } mutableAgain{quoted};

  Open("photos");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
  page->Click("#gallery-grid .photo .view");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer').hidden"));
  page->Click("#viewer-delete");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#confirm').hidden"));
  page->Click("#confirm-ok");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#viewer-message').hidden"));
  EXPECT_EQ(page->Text("#viewer-message"), "Only the person who saved it can delete it.");
  EXPECT_TRUE(page->Visible("#viewer"));
  EXPECT_TRUE(fs::exists(theirs));
}

// The window cannot be made smaller than the size at which the page's parts sit side by side,
// and at that size no two of them cover each other on any screen.
TEST_F(PageWalk, AtTheSmallestWindowNothingOverlaps) {
  GtkWindow* window = GTK_WINDOW(gtk_widget_get_toplevel(GTK_WIDGET(client->View())));
  gtk_window_resize(window, 300, 200);
  ASSERT_TRUE(page->WaitFor("window.innerWidth <= 700"));
  test::RunFor(300ms);
  EXPECT_EQ(page->Eval("return window.innerWidth >= 640 && window.innerHeight >= 480;"), "true")
      << page->Eval("return [window.innerWidth, window.innerHeight];");
  // Pairs of visible parts whose boxes intersect, where neither holds the other.
  const std::string overlaps =
      "const parts = [...document.querySelectorAll('.screen:not([hidden]) :is(h1, h2, p, .pill, .btn, .field, dt, dd,"
      " .photo, .event, .seed-line > *), .sidebar :is(.nav-item, .connection, .brand)')]"
      "  .filter((e) => e.getClientRects().length > 0);"
      "const found = [];"
      "for (const a of parts) for (const b of parts) {"
      "  if (a === b || a.contains(b) || b.contains(a)) continue;"
      "  const r = a.getBoundingClientRect(), s = b.getBoundingClientRect();"
      "  if (r.left < s.right - 1 && s.left < r.right - 1 && r.top < s.bottom - 1 && s.top < r.bottom - 1)"
      "    found.push(`${a.id || a.className || a.tagName} / ${b.id || b.className || b.tagName}`);"
      "}"
      "return found.slice(0, 6).join('; ');";
  for (const char* screen : {"overview", "photos", "save", "activity", "diagnostics"}) {
    Open(screen);
    test::RunFor(300ms);
    EXPECT_EQ(JsonUnquote(page->Eval(overlaps)), "") << screen;
  }
  Capture("smallest-window");
}

}  // namespace
}  // namespace vantreel

namespace vantreel {
namespace {

struct LanguageCase {
  const char* locale;
  const char* code;
  const char* direction;
  const char* photosNav;
  const char* savedWords;
  const char* challengeIncomplete;
  const char* albumDefault;
};

std::ostream& operator<<(std::ostream& out, const LanguageCase& c) { return out << c.code; }

class PageLanguageWalk : public PageWalk, public ::testing::WithParamInterface<LanguageCase> {
 protected:
  const char* Locale() const override { return GetParam().locale; }
};

TEST_P(PageLanguageWalk, ThePageSpeaksTheWindowsLanguage) {
  const LanguageCase& c = GetParam();
  EXPECT_EQ(JsonUnquote(page->Eval("return navigator.language;")), c.code);
  EXPECT_EQ(JsonUnquote(page->Eval("return document.documentElement.lang;")), c.code);
  EXPECT_EQ(JsonUnquote(page->Eval("return document.documentElement.dir;")), c.direction);
  EXPECT_EQ(page->Text("#nav-photos"), c.photosNav);
  // Named for screen readers, for the narrow window that shows icons only.
  EXPECT_EQ(JsonUnquote(page->Eval("return document.querySelector('#nav-photos').getAttribute('aria-label');")),
            c.photosNav);
  // Right to left puts the sidebar on the right-hand side.
  const bool sidebarOnRight = page->Eval(
      "return document.querySelector('.sidebar').getBoundingClientRect().left >"
      " document.querySelector('.main').getBoundingClientRect().left;") == "true";
  EXPECT_EQ(sidebarOnRight, std::string(c.direction) == "rtl");

  Capture(std::string("language-") + c.code + "-overview");
  page->Click("#seed-check");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#seed-status').dataset.state === 'available'"));
  // One digit style on a line: the seed's length and the time of the check.
  EXPECT_EQ(page->Eval("const t = document.querySelector('#seed-meta').textContent;"
                       "return !(/[0-9]/.test(t) && /[\\u0660-\\u0669\\u06F0-\\u06F9]/.test(t));"),
            "true")
      << page->Text("#seed-meta");

  // A failure of the client, reported in the reader's language.
  Open("diagnostics");
  page->Fill("#challenge-timestamp", "");
  page->Click("#challenge-answer");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#challenge-message').hidden"));
  EXPECT_EQ(page->Text("#challenge-message"), c.challengeIncomplete);
  Capture(std::string("language-") + c.code + "-diagnostics");

  Open("photos");
  page->Click("#capture-generate");
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').dataset.kind === 'success'"));
  EXPECT_NE(page->Text("#capture-message").find(c.savedWords), std::string::npos) << page->Text("#capture-message");
  // The file name sits in the sentence as one left-to-right piece, whatever the reading order.
  EXPECT_EQ(page->Eval("const b = document.querySelector('#capture-message bdi');"
                       "return b?.dir === 'ltr' && /^A\\d+_D01_\\d{8}_\\d{6}\\.jpg$/.test(b.textContent);"),
            "true");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
  Capture(std::string("language-") + c.code + "-photos");

  Open("save");
  EXPECT_EQ(page->Text("#save-album"), c.albumDefault);
  page->Click("#save-button");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#save-result').hidden"));
  Capture(std::string("language-") + c.code + "-save");

  Open("activity");
  EXPECT_GE(page->Count("#activity-events .event"), 3);
  Capture(std::string("language-") + c.code + "-activity");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, PageLanguageWalk,
    ::testing::Values(
        LanguageCase{"C.UTF-8", "en", "ltr", "Alarm photos", "Saved as ", "Fill in all four challenge fields.",
                     "Screenshots"},
        LanguageCase{"zh_CN.UTF-8", "zh-CN", "ltr", "告警照片", "已保存为 ", "请填写挑战的全部四项。", "截图"},
        LanguageCase{"ja_JP.UTF-8", "ja", "ltr", "アラーム写真", " として保存しました",
                     "チャレンジの 4 つの欄をすべて入力してください。", "スクリーンショット"},
        LanguageCase{"de_DE.UTF-8", "de", "ltr", "Alarmfotos", "Gespeichert als ",
                     "Füllen Sie alle vier Felder der Challenge aus.", "Bildschirmfotos"},
        LanguageCase{"ar_EG.UTF-8", "ar", "rtl", "صور التنبيهات", "حُفظت باسم ", "املأ حقول التحدي الأربعة كلها.",
                     "لقطات الشاشة"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) {
      std::string name = info.param.code;
      for (char& ch : name) if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
}  // namespace vantreel
