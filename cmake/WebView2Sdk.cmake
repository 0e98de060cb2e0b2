# The WebView2 SDK for the Windows build: the NuGet package Microsoft.Web.WebView2 at the
# version pinned in tools/webview2-sdk/WebView2Sdk.csproj, restored by scripts/deps.sh into
# build/webview2-sdk. Defines the imported target WebView2::Headers, the path of the
# WebView2Loader.dll to ship beside the executable, and the SDK's target runtime version.
include_guard(GLOBAL)

file(READ "${CMAKE_SOURCE_DIR}/tools/webview2-sdk/WebView2Sdk.csproj" _wv2_project)
string(REGEX MATCH "Include=\"Microsoft.Web.WebView2\" Version=\"\\[([0-9.]+)\\]\"" _wv2_match "${_wv2_project}")
set(VANTREEL_WEBVIEW2_VERSION "${CMAKE_MATCH_1}")
if(NOT VANTREEL_WEBVIEW2_VERSION)
  message(FATAL_ERROR "tools/webview2-sdk/WebView2Sdk.csproj pins no Microsoft.Web.WebView2 version.")
endif()

set(VANTREEL_WEBVIEW2_SDK_DIR
    "${CMAKE_SOURCE_DIR}/build/webview2-sdk/microsoft.web.webview2/${VANTREEL_WEBVIEW2_VERSION}"
    CACHE PATH "The restored Microsoft.Web.WebView2 package")
# Internal cache entries: the tests' folders read them too.
set(VANTREEL_WEBVIEW2_INCLUDE_DIR "${VANTREEL_WEBVIEW2_SDK_DIR}/build/native/include" CACHE INTERNAL "")
set(VANTREEL_WEBVIEW2_LOADER_DLL "${VANTREEL_WEBVIEW2_SDK_DIR}/build/native/x64/WebView2Loader.dll" CACHE INTERNAL "")
set(VANTREEL_WEBVIEW2_LICENSE "${VANTREEL_WEBVIEW2_SDK_DIR}/LICENSE.txt" CACHE INTERNAL "")
if(NOT EXISTS "${VANTREEL_WEBVIEW2_INCLUDE_DIR}/WebView2.h" OR NOT EXISTS "${VANTREEL_WEBVIEW2_LOADER_DLL}")
  message(FATAL_ERROR
    "The WebView2 SDK (NuGet package Microsoft.Web.WebView2, version ${VANTREEL_WEBVIEW2_VERSION}) "
    "is not at ${VANTREEL_WEBVIEW2_SDK_DIR}. Restore it with: scripts/restore-webview2-sdk")
endif()

# The runtime version that this SDK targets, which the environment options report.
file(STRINGS "${VANTREEL_WEBVIEW2_INCLUDE_DIR}/WebView2EnvironmentOptions.h" _wv2_target
     REGEX "#define CORE_WEBVIEW_TARGET_PRODUCT_VERSION L\"[0-9.]+\"")
string(REGEX MATCH "[0-9]+\\.[0-9.]+" VANTREEL_WEBVIEW2_TARGET_VERSION "${_wv2_target}")

add_library(WebView2::Headers INTERFACE IMPORTED GLOBAL)
# SYSTEM: the SDK's header is not ours to hold to -Werror. Our compat folder comes first for
# the mixed-case EventToken.h that the header asks for.
target_include_directories(WebView2::Headers SYSTEM INTERFACE
  "${CMAKE_SOURCE_DIR}/browser/webview2/compat" "${VANTREEL_WEBVIEW2_INCLUDE_DIR}")
target_compile_definitions(WebView2::Headers INTERFACE
  VANTREEL_WEBVIEW2_TARGET_VERSION="${VANTREEL_WEBVIEW2_TARGET_VERSION}")
