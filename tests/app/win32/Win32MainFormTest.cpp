// The main window on its Win32 backend under Wine, driven by TMainForm with the scripted
// browser: caption and reading order in the process's language (CTest starts this program
// once per locale, with VANTREEL_EXPECT_LANGUAGE), the loading overlay's text, the tray icon,
// minimise into the tray and double-click restore as real window messages, and a real
// message box for a start-up failure. With VANTREEL_SCREENSHOT_DIR set, each test leaves a
// picture of the screen there.
#include <windows.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/UMainForm.h"
#include "app/UiStrings.h"
#include "app/win32/ProcessSetup.h"
#include "app/win32/Win32Controls.h"
#include "app/win32/Win32MainFormUi.h"
#include "platform/windows/WideText.h"
#include "tests/app/MainFormPeer.h"
#include "tests/browser/ScriptedBrowser.h"

namespace vantreel {
namespace {

using test::LoaderScript;
using test::ScriptedBrowserFactory;

std::string ExpectedLanguage() {
  const char* language = std::getenv("VANTREEL_EXPECT_LANGUAGE");
  return language != nullptr && *language != '\0' ? language : "en";
}

std::string WindowText(HWND window) {
  // One read into a roomy buffer: asking for the length first races with the overlay's timer,
  // which may lengthen the text between the two calls and cut its last character.
  std::wstring text(4096, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return win::Narrow(text);
}

// Runs the message loop for a while, so that the screen shows what the window did.
void Pump(unsigned ms) {
  const DWORD end = GetTickCount() + ms;
  while (GetTickCount() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

// The whole screen as a 24-bit BMP in VANTREEL_SCREENSHOT_DIR, when that is set.
void Screenshot(const std::string& name) {
  const char* dir = std::getenv("VANTREEL_SCREENSHOT_DIR");
  if (dir == nullptr || *dir == '\0') return;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
  std::string pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(std::string(dir) + "\\" + ExpectedLanguage() + "-" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// 1280 x 820 DIPs of client area at the window's DPI, unless the frame around that would leave
// the work area: then the window is as large as the work area and no larger.
void ExpectDesignSizeFittedToTheWorkArea(HWND window) {
  const UINT dpi = GetDpiForWindow(window);
  SCOPED_TRACE(testing::Message() << "DPI " << dpi);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  EXPECT_GE(outer.left, work.left);
  EXPECT_GE(outer.top, work.top);
  EXPECT_LE(outer.right, work.right);
  EXPECT_LE(outer.bottom, work.bottom);
  const int width = MulDiv(1280, static_cast<int>(dpi), 96), height = MulDiv(820, static_cast<int>(dpi), 96);
  RECT wanted{0, 0, width, height};
  AdjustWindowRectExForDpi(&wanted, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
  if (wanted.right - wanted.left <= work.right - work.left)
    EXPECT_EQ(client.right - client.left, width);
  else
    EXPECT_EQ(outer.right - outer.left, work.right - work.left);
  if (wanted.bottom - wanted.top <= work.bottom - work.top)
    EXPECT_EQ(client.bottom - client.top, height);
  else
    EXPECT_EQ(outer.bottom - outer.top, work.bottom - work.top);
  // What VANTREEL_EXPECT_DPI names, when a run sets the display's scale.
  if (const char* expected = std::getenv("VANTREEL_EXPECT_DPI"); expected != nullptr && *expected != '\0') {
    EXPECT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
  }
}

class Win32MainFormTest : public ::testing::Test {
 protected:
  void TearDown() override { form.reset(); }
  TMainForm& MakeAndShow() {
    form = std::make_unique<TMainForm>(ui, browsers);
    ui.Show();
    Pump(300);
    return *form;
  }
  HWND Label() const {
    HWND panel = FindWindowExW(ui.Window(), nullptr, L"VantreelLoadingPanel", nullptr);
    return panel != nullptr ? FindWindowExW(panel, nullptr, L"VantreelLoadingLabel", nullptr) : nullptr;
  }

  win32ui::TWin32MainFormUi ui;
  ScriptedBrowserFactory browsers;
  std::unique_ptr<TMainForm> form;
};

TEST_F(Win32MainFormTest, CaptionReadingOrderAndOverlayInTheDisplayLanguage) {
  const std::string language = ExpectedLanguage();
  browsers.loaderScript.onStart = LoaderScript::Outcome::Pending;  // the overlay stays up
  // The pending loader keeps the first show waiting; it ends with a box that the test closes.
  std::atomic<bool> done{false};
  std::thread closer([&] {
    while (!done) {
      if (HWND box = FindWindowW(L"#32770", nullptr)) PostMessageW(box, WM_COMMAND, IDOK, 0);
      Sleep(100);
    }
  });
  test::TMainFormPeer f = MakeAndShow();
  done = true;
  closer.join();

  EXPECT_EQ(f.UiLanguage(), language);
  const std::string caption = GetUiText(language, "app.title");
  EXPECT_EQ(WindowText(ui.Window()), caption);
  EXPECT_EQ(ui.Caption(), caption);
  const bool rtl = (GetWindowLongPtrW(ui.Window(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  EXPECT_EQ(rtl, language == "ar");

  ExpectDesignSizeFittedToTheWorkArea(ui.Window());
  EXPECT_EQ(GetWindow(ui.Window(), GW_OWNER), nullptr);  // the taskbar button is its own
  EXPECT_TRUE(GetWindowLongPtrW(ui.Window(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

  // The loading overlay's label says the failure in this language, lines broken by CR LF.
  HWND label = Label();
  ASSERT_NE(label, nullptr);
  // The frame's mirroring lays the label out; its text must also read right to left.
  EXPECT_EQ((GetWindowLongPtrW(label, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0, language == "ar");
  const std::string text = WindowText(label);
  EXPECT_EQ(text.rfind(GetUiText(language, "loading.failed") + "\r\n", 0), 0u) << text;
  Pump(300);
  Screenshot("overlay");
}

TEST_F(Win32MainFormTest, OverlayAnimatesWhileTheLoaderIsPending) {
  const std::string language = ExpectedLanguage();
  browsers.loaderScript.onStart = LoaderScript::Outcome::Pending;
  // The first show waits up to 5 s for the loader, pumping messages: the overlay's timer runs
  // meanwhile. Another thread reads the label twice, then closes the time-out box.
  std::string first, later;
  std::thread watcher([&] {
    while (!IsWindowVisible(ui.Window())) Sleep(20);
    Sleep(300);
    first = WindowText(Label());
    // Several looks over more than one timer cycle: one late look on a busy machine may land
    // on the same dots again.
    for (int i = 0; i < 30 && (later.empty() || later == first); ++i) {
      Sleep(100);
      later = WindowText(Label());
    }
    Screenshot("loading");
    for (int i = 0; i < 200; ++i, Sleep(50)) {
      if (HWND box = FindWindowW(L"#32770", nullptr)) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
    }
  });
  MakeAndShow();
  watcher.join();
  const std::string firstLine = GetUiText(language, "loading.webview");
  EXPECT_EQ(first.rfind(firstLine, 0), 0u) << first;
  EXPECT_NE(first.find("\r\n" + GetUiText(language, "loading.wait")), std::string::npos) << first;
  EXPECT_NE(later, first);  // the 350 ms timer moved the dots
}

TEST_F(Win32MainFormTest, MinimiseHidesIntoTheTrayAndADoubleClickRestores) {
  browsers.loaderScript.onStart = LoaderScript::Outcome::Ready;
  test::TMainFormPeer f = MakeAndShow();
  ASSERT_NE(f.TrayIcon(), nullptr);
  auto* tray = dynamic_cast<win32ui::TWin32TrayIcon*>(f.TrayIcon());
  ASSERT_NE(tray, nullptr);
  EXPECT_TRUE(tray->IsEmbedded());  // Wine's desktop has a notification area
  EXPECT_EQ(tray->Hint(), ui.Caption());
  ASSERT_TRUE(IsWindowVisible(ui.Window()));

  SendMessageW(ui.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump(200);
  EXPECT_FALSE(IsWindowVisible(ui.Window()));
  EXPECT_FALSE(IsIconic(ui.Window()));
  Screenshot("minimised");

  // What the notification area sends for a double-click on the icon.
  SendMessageW(ui.Window(), win32ui::kTrayCallbackMessage, 1, WM_LBUTTONDBLCLK);
  Pump(200);
  EXPECT_TRUE(IsWindowVisible(ui.Window()));
  Screenshot("restored");

  // Explorer restarted: the icon is added again.
  SendMessageW(ui.Window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(tray->IsEmbedded());
}

TEST_F(Win32MainFormTest, AStartupFailureShowsAModalBoxOwnedByTheWindow) {
  const std::string language = ExpectedLanguage();
  browsers.loaderScript.onStart = LoaderScript::Outcome::Error;
  browsers.loaderScript.errorMessage = "runtime not found (0x80070002)";
  std::atomic<bool> done{false};
  std::string boxText;
  HWND boxOwner = nullptr;
  HICON boxIcon = nullptr;
  std::thread closer([&] {
    while (!done) {
      if (HWND box = FindWindowW(L"#32770", nullptr)) {
        Sleep(300);  // drawn, for the picture
        Screenshot("messagebox");
        boxOwner = GetWindow(box, GW_OWNER);
        // The icon control: 0x14 on Windows, 0x440 in Wine's box.
        for (int id : {0x14, 0x440})
          if (!boxIcon) boxIcon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, id, STM_GETICON, 0, 0));
        if (HWND text = GetDlgItem(box, 0xFFFF)) boxText = WindowText(text);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  MakeAndShow();
  done = true;
  closer.join();
  EXPECT_EQ(boxOwner, ui.Window());
  EXPECT_EQ(boxIcon, LoadIconW(nullptr, IDI_ERROR)) << "a failure, not a notice";
  EXPECT_EQ(boxText, GetUiText(language, "err.loader_init") + "runtime not found (0x80070002)");
}

TEST_F(Win32MainFormTest, ResumeReachesTheWindowAsThePowerMessage) {
  browsers.loaderScript.onStart = LoaderScript::Outcome::Ready;
  test::TMainFormPeer f = MakeAndShow();
  ASSERT_NE(browsers.browser, nullptr);
  browsers.browser->RaiseAfterCreated();
  ASSERT_TRUE(f.InitCompleted());
  const std::size_t before = browsers.browser->scripts.size();
  SendMessageW(ui.Window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  // The resume thread waits 1000 ms, then hands the notice to this thread; a busy machine
  // may take longer to schedule it, so wait for the notice rather than a fixed time.
  const DWORD deadline = GetTickCount() + 10000;
  while (browsers.browser->scripts.size() == before && GetTickCount() < deadline) Pump(50);
  EXPECT_GT(browsers.browser->scripts.size(), before);
}

// The program's first call: the taskbar identity is ours before any window (the DLL search
// it also narrows is shown by tests/e2e/windows/dll_planting.sh, with a planted DLL).
TEST(Win32Process, TakesItsTaskbarIdentityBeforeTheFirstWindow) {
  win32ui::PrepareProcess();
  PWSTR id = nullptr;
  const HRESULT hr = GetCurrentProcessExplicitAppUserModelID(&id);
  if (hr == E_NOTIMPL) GTEST_SKIP() << "this Wine keeps no AppUserModelID";
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(std::wstring(id), win32ui::kAppUserModelId);
  CoTaskMemFree(id);
}

}  // namespace
}  // namespace vantreel
