#include "app/win32/ProcessSetup.h"

#include <windows.h>
#include <shobjidl.h>

namespace vantreel::win32ui {

void PrepareProcess() {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Also drops the current folder from the search of older calls that still consult it.
  SetDllDirectoryW(L"");
  SetCurrentProcessExplicitAppUserModelID(kAppUserModelId);
}

}  // namespace vantreel::win32ui
