// A DLL that someone drops beside Vantreel.exe under a system DLL's name. Loading it leaves a
// mark: the file that VANTREEL_PLANT_MARK names.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VANTREEL_PLANT_MARK", path, MAX_PATH) > 0) {
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}
