// Typing into the page through the input-method modules that Chinese, Japanese and Korean
// desktops use: real key presses through the X server into a field of the page, then another
// screen. The page's own state must follow, and so must what the window shows: a window that
// stops presenting frames once a field has the focus looks dead while clicks act unseen.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <signal.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "browser/webkitgtk/WebKitRenderer.h"
#include "media/AlarmPhotoFolder.h"
#include "tests/browser/webkit/WebKitTestSupport.h"
#include "tests/e2e/ClientUnderTest.h"
#include "tests/e2e/PageDriver.h"

namespace vantreel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::RunUntil;

// A region of the screen as the X server shows it, pixel by pixel.
struct TScreenRegion {
  int x = 0, y = 0, width = 0, height = 0;
  std::vector<unsigned char> pixels;
};

TScreenRegion Capture(const std::vector<double>& box) {
  TScreenRegion region{static_cast<int>(box[0]), static_cast<int>(box[1]), static_cast<int>(box[2]),
                       static_cast<int>(box[3]), {}};
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), region.x, region.y, region.width,
                                                 region.height);
  if (pixbuf == nullptr) return region;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
  for (int row = 0; row < region.height; ++row)
    region.pixels.insert(region.pixels.end(), data + row * stride, data + row * stride + region.width * channels);
  g_object_unref(pixbuf);
  return region;
}

// Pixels that differ between two captures of the same region.
size_t ChangedPixels(const TScreenRegion& a, const TScreenRegion& b) {
  if (a.pixels.size() != b.pixels.size()) return SIZE_MAX;
  size_t changed = 0;
  for (size_t i = 0; i + 2 < a.pixels.size(); i += 3)
    if (a.pixels[i] != b.pixels[i] || a.pixels[i + 1] != b.pixels[i + 1] || a.pixels[i + 2] != b.pixels[i + 2])
      ++changed;
  return changed;
}

// Waits until the region shows more than `atLeast` pixels other than `before`: a blinking
// caret alone changes fewer.
bool WaitForRedraw(const TScreenRegion& before, size_t atLeast) {
  const std::vector<double> box = {double(before.x), double(before.y), double(before.width), double(before.height)};
  return RunUntil([&] { return ChangedPixels(before, Capture(box)) > atLeast; }, 15s);
}

bool ModuleMapped(const std::string& fileName) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find(fileName) != std::string::npos) return true;
  return false;
}

struct TInputMethodCase {
  const char* name;
  const char* locale;
  const char* module;      // GTK_IM_MODULE
  const char* sharedObject;  // the module's file, when it is one
};

void PrintTo(const TInputMethodCase& c, std::ostream* os) { *os << c.name; }

class InputMethodWalk : public ::testing::TestWithParam<TInputMethodCase> {
 protected:
  void SetUp() override {
    const fs::path home = tmp.Path() / "home";
    fs::create_directories(home / ".config");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("LC_ALL", GetParam().locale, 1);
    setenv("GTK_IM_MODULE", GetParam().module, 1);
    if (std::string(GetParam().module) == "ibus") {
      StartIbus();
      if (IsSkipped() || HasFatalFailure()) return;
    }
    webkitgtk::ChooseWebKitRenderer();
    SetAlarmPhotoDirForTesting(tmp.Path() / "client" / "alarm_photos");

    client = std::make_unique<test::TClientUnderTest>(VANTREEL_WEBEXT_DIR);
    ASSERT_TRUE(RunUntil([&] { return client->View() != nullptr; }, 30s)) << "the browser never came up";
    page = std::make_unique<test::TPageDriver>(client->View());
    ASSERT_TRUE(page->WaitFor(
        "window.communicationService?._communicationModule?.value?.connection === 'connected'", 30s));
  }

  void TearDown() override {
    page.reset();
    client.reset();
    if (ibus != 0) {
      kill(ibus, SIGTERM);
      g_spawn_close_pid(ibus);
    }
    unsetenv("GTK_IM_MODULE");
    SetAlarmPhotoDirForTesting(std::nullopt);
  }

  // A private IBus daemon without panel or engine: keys pass through its GTK module as they do
  // on a desktop before an engine is switched on.
  void StartIbus() {
    gchar* program = g_find_program_in_path("ibus-daemon");
    if (program == nullptr) GTEST_SKIP() << "ibus-daemon is not installed";
    char* argv[] = {program, const_cast<char*>("--panel=disable"), const_cast<char*>("--replace"), nullptr};
    GError* error = nullptr;
    const bool started = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &ibus,
                                       &error);
    g_free(program);
    ASSERT_TRUE(started) << (error ? error->message : "");
    // The daemon writes its address under the configuration folder once it listens.
    const fs::path busFolder = tmp.Path() / "home" / ".config" / "ibus" / "bus";
    ASSERT_TRUE(RunUntil([&] { return fs::exists(busFolder) && !fs::is_empty(busFolder); }, 15s))
        << "ibus-daemon never listened";
  }

  test::TTempDir tmp;
  GPid ibus = 0;
  std::unique_ptr<test::TClientUnderTest> client;
  std::unique_ptr<test::TPageDriver> page;
};

TEST_P(InputMethodWalk, TypedTextShowsAndTheNextScreenIsDrawn) {
  page->Click("#nav-save");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#screen-save').hidden"));
  const std::string field = "#save-album";
  page->Fill(field, "");
  page->Click(field);
  ASSERT_TRUE(page->WaitFor("document.activeElement === document.querySelector('#save-album')"));
  const TScreenRegion empty = Capture(page->ScreenBox(field));

  ASSERT_EQ(system("xdotool type --delay 40 Kid42"), 0);
  EXPECT_TRUE(page->WaitFor("document.querySelector('#save-album').value === 'Kid42'"))
      << "typed: " << page->Text(field);
  EXPECT_TRUE(WaitForRedraw(empty, 60)) << "the typed text never showed on the screen";
  if (GetParam().sharedObject[0] != '\0') {
    EXPECT_TRUE(ModuleMapped(GetParam().sharedObject)) << "the input-method module did not serve the field";
  }

  const TScreenRegion screen = Capture(page->ScreenBox("#screen-save"));
  page->Click("#nav-overview");
  ASSERT_TRUE(page->WaitFor("!document.querySelector('#screen-overview').hidden"));
  EXPECT_TRUE(WaitForRedraw(screen, screen.pixels.size() / 3 / 20)) << "the window stopped drawing the page";
}

INSTANTIATE_TEST_SUITE_P(
    Modules, InputMethodWalk,
    ::testing::Values(TInputMethodCase{"JapaneseXim", "ja_JP.UTF-8", "xim", "im-xim.so"},
                      TInputMethodCase{"ChineseXim", "zh_CN.UTF-8", "xim", "im-xim.so"},
                      TInputMethodCase{"ChineseIbus", "zh_CN.UTF-8", "ibus", "im-ibus.so"},
                      TInputMethodCase{"JapaneseSimple", "ja_JP.UTF-8", "gtk-im-context-simple", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantreel
