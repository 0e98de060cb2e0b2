// What the Windows client settles for its whole process before anything else runs.
#pragma once

namespace vantreel::win32ui {

// The taskbar identity of every window of the process, so that a pinned button and the
// running window stay one button (the browser runtime would otherwise choose one itself).
inline constexpr wchar_t kAppUserModelId[] = L"Orvane.Vantreel";

// DLLs come from the system folder only (a DLL dropped beside the program under a system
// DLL's name is never loaded; ours are loaded by their full path), and the process takes
// its taskbar identity. Call first, before the first window.
void PrepareProcess();

}  // namespace vantreel::win32ui
