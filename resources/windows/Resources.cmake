# The Windows executable's resources: the icon file made with icotool from the PNGs that
# resources/icons/draw_icon.py draws (all seven sizes, 32-bit), the manifest and the version
# information, compiled by windres into an object that a target links.
find_program(VANTREEL_ICOTOOL icotool REQUIRED)
set(_res_out "${CMAKE_BINARY_DIR}/resources/windows")
set(VANTREEL_ICO "${_res_out}/vantreel.ico")
set(_icon_pngs "")
foreach(size 16 24 32 48 64 128 256)
  list(APPEND _icon_pngs "${CMAKE_SOURCE_DIR}/resources/icons/vantreel-${size}.png")
endforeach()
add_custom_command(
  OUTPUT "${VANTREEL_ICO}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${_res_out}"
  COMMAND "${VANTREEL_ICOTOOL}" --create --output "${VANTREEL_ICO}" ${_icon_pngs}
  DEPENDS ${_icon_pngs}
  COMMENT "Making vantreel.ico from the drawn icons"
  VERBATIM)

set(VANTREEL_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(VANTREEL_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(VANTREEL_MANIFEST "${_res_out}/Vantreel.exe.manifest")
configure_file("${CMAKE_SOURCE_DIR}/resources/windows/Vantreel.exe.manifest" "${VANTREEL_MANIFEST}" @ONLY)
configure_file("${CMAKE_SOURCE_DIR}/resources/windows/Vantreel.rc.in" "${_res_out}/Vantreel.rc" @ONLY)
set_source_files_properties("${_res_out}/Vantreel.rc" PROPERTIES OBJECT_DEPENDS "${VANTREEL_ICO};${VANTREEL_MANIFEST}")

add_library(vt_app_win32_resources OBJECT "${_res_out}/Vantreel.rc")
