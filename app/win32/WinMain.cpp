// Program entry on Windows: the process's DLL search and taskbar identity first, COM as a
// single-threaded apartment on this, the user-interface thread (WebView2 needs it), the main
// window on its Win32 and WebView2 backends, and the message loop until the window closes. The window is destroyed before the backends it drives.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>

#include "app/UMainForm.h"
#include "app/win32/ProcessSetup.h"
#include "app/win32/Win32MainFormUi.h"
#include "browser/webview2/WebView2BrowserFactory.h"
#include "platform/windows/WideText.h"

// The command line is never read: the client has no options.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vantreel::win32ui::PrepareProcess();
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int exitCode = 0;
  try {
    vantreel::win32ui::TWin32MainFormUi ui;
    vantreel::webview2::TWebView2BrowserFactory browserFactory;
    {
      vantreel::TMainForm form(ui, browserFactory);
      ui.Show();
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exitCode = static_cast<int>(message.wParam);
    }
  } catch (const std::exception& e) {
    // Nothing above the entry would report it; a GUI program has no console to say it on.
    MessageBoxW(nullptr, vantreel::win::Widen(e.what()).c_str(), L"Vantreel", MB_OK | MB_ICONERROR);
    exitCode = 1;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
