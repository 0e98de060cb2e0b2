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
                       "\nwindow log:\n";
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
    ASSERT_TRUE(page->WaitFor("!document.querySelector('#screen-" + screen + "').hidden"));
  }

  test::TTempDir tmp;
  fs::path home, pictures, photos;
  std::unique_ptr<test::TTestSystemBus> bus;
  std::unique_ptr<test::TClientUnderTest> client;
  std::unique_ptr<test::TPageDriver> page;
};

TEST_F(PageWalk, OverviewShowsTheSeedAnswersAChallengeAndMakesTokens) {
  // The page's first request removed the loading overlay.
  EXPECT_TRUE(client->WaitForLog("收到前端消息", nullptr, 5s));

  ASSERT_TRUE(page->WaitFor("document.querySelector('#seed-status').dataset.state === 'available'"));
  EXPECT_EQ(page->Text("#seed-status"), "Available");
  EXPECT_NE(page->Text("#seed-meta").find("45 characters"), std::string::npos);
  // The page shows the seed's state, length and check time, never the seed, whole or in part.
  const std::string seed = GetAuthSeed();
  EXPECT_EQ(page->Eval("return document.body.innerText.includes(" + JsonQuote(seed.substr(0, 8)) + ") ||"
                       " document.body.innerHTML.includes(" + JsonQuote(seed.substr(seed.size() - 8)) + ");"),
            "false");

  page->Click("#challenge-generate");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#challenge-random').value.length > 0"));
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
  Capture("overview");

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

  // A second frame, for alarm B12 on device D10. The page offers no file chooser.
  EXPECT_EQ(page->Eval("return document.querySelectorAll('input[type=file]').length;"), "0");
  page->Fill("#capture-alarm-id", "B12");
  page->Fill("#capture-device-id", "D10");
  page->Eval("document.querySelector('#capture-image').removeAttribute('src'); return 0;");
  page->Click("#capture-generate");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-image').src.startsWith('data:')"));
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
  page->Fill("#gallery-filter", "D09");
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

TEST_F(PageWalk, AWakeFromSleepReachesThePageAndRechecksTheSeed) {
  const int seedChecks = std::stoi(page->Eval(
      "return window.communicationService._communicationModule.value.activity.entries"
      ".filter((e) => e.kind === 'request' && e.type === 'auth_seed_request').length;"));
  const auto signalled = std::chrono::steady_clock::now();
  bus->EmitResume();
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#wake-count').hidden", 10s));
  // The client waits a second before it tells the page.
  EXPECT_GE(std::chrono::steady_clock::now() - signalled, 900ms);
  EXPECT_EQ(page->Text("#wake-count"), "Wake-ups seen: 1");
  EXPECT_NE(page->Text("#toasts").find("The computer woke up at"), std::string::npos);
  EXPECT_TRUE(client->WaitForLog("系统恢复：已执行 JavaScript 触发 pcSystemResume 事件", nullptr, 1s));
  ASSERT_TRUE(page->WaitFor(
      "window.communicationService._communicationModule.value.activity.entries"
      ".filter((e) => e.kind === 'request' && e.type === 'auth_seed_request').length === " +
      std::to_string(seedChecks + 1)));
  ASSERT_TRUE(page->WaitFor("document.querySelector('#seed-status').dataset.state === 'available'"));
  Capture("overview-after-wake");

  Open("activity");
  EXPECT_EQ(page->Count("#activity-body tr[data-kind=resume]"), 1);
}

TEST_F(PageWalk, TheActivityViewListsTheExchangeWithoutItsSecrets) {
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
  EXPECT_GE(unseen, 6);
  EXPECT_EQ(JsonUnquote(page->Eval("return document.querySelector('#nav-activity').getAttribute('aria-label');")),
            "Activity, " + std::to_string(unseen) + " new in the activity record");
  Open("activity");
  EXPECT_FALSE(page->Visible("#activity-badge"));
  EXPECT_EQ(JsonUnquote(page->Eval("return document.querySelector('#nav-activity').getAttribute('aria-label');")),
            "Activity");
  for (const char* type : {"auth_seed_request", "auth_seed_response", "generate_token", "generate_token_response",
                           "auth_challenge", "auth_response"}) {
    // The type, offered for wrapping after each "_" only.
    EXPECT_TRUE(page->WaitFor("[...document.querySelectorAll('#activity-body td.type')].some((td) => "
                              "[...td.childNodes].filter((n) => !n.classList?.contains('id'))"
                              ".map((n) => n.nodeName === 'WBR' ? '|' : n.textContent).join('') === " +
                              JsonQuote(std::regex_replace(type, std::regex("_"), "_|")) + ")"))
        << type;
  }
  const std::string table = page->Text("#activity-body");
  EXPECT_EQ(table.find(GetAuthSeed()), std::string::npos);
  EXPECT_EQ(table.find(GenerateToken("kid-7")), std::string::npos);
  EXPECT_EQ(table.find(response), std::string::npos);
  EXPECT_NE(table.find("token=‹24 characters›"), std::string::npos);
  EXPECT_NE(table.find("seed=‹45 characters›"), std::string::npos);
  Capture("activity");
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
  const char* savedPrefix;
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

  // A failure of the client, reported in the reader's language.
  page->Fill("#challenge-timestamp", "");
  page->Click("#challenge-answer");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#challenge-message').hidden"));
  EXPECT_EQ(page->Text("#challenge-message"), c.challengeIncomplete);
  Capture(std::string("language-") + c.code + "-overview");

  Open("photos");
  page->Click("#capture-generate");
  page->Click("#capture-save");
  ASSERT_TRUE(page->WaitFor("document.querySelector('#capture-message').dataset.kind === 'success'"));
  EXPECT_EQ(page->Text("#capture-message").rfind(c.savedPrefix, 0), 0u) << page->Text("#capture-message");
  ASSERT_TRUE(page->WaitFor("document.querySelectorAll('#gallery-grid .photo').length === 1"));
  Capture(std::string("language-") + c.code + "-photos");

  Open("save");
  EXPECT_EQ(page->Text("#save-album"), c.albumDefault);
  Capture(std::string("language-") + c.code + "-save");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, PageLanguageWalk,
    ::testing::Values(
        LanguageCase{"C.UTF-8", "en", "ltr", "Alarm photos", "Saved as ", "Fill in all four challenge fields.",
                     "Screenshots"},
        LanguageCase{"zh_CN.UTF-8", "zh-CN", "ltr", "告警照片", "已保存为 ", "请填写挑战的全部四项。", "截图"},
        LanguageCase{"ar_EG.UTF-8", "ar", "rtl", "صور التنبيهات", "حُفظت باسم ", "املأ حقول التحدي الأربعة كلها.",
                     "لقطات الشاشة"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) {
      std::string name = info.param.code;
      for (char& ch : name) if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
}  // namespace vantreel
