# System DLLs that are not among Windows' known DLLs are looked for beside the program first
# when the process starts, before any code of ours runs: a bcrypt.dll dropped beside
# Vantreel.exe would be loaded into the client. Such DLLs are imported delay-loaded instead:
# the first call loads them, after the entry has limited the DLL search to the system folder.
# The target keeps the library's own name, so every `bcrypt` in the build links this one.
include_guard(GLOBAL)

set(_delay_dir "${CMAKE_BINARY_DIR}/delay-imports")
set(_bcrypt_def "${_delay_dir}/bcrypt.def")
set(_bcrypt_lib "${_delay_dir}/libbcrypt-delay.a")
file(MAKE_DIRECTORY "${_delay_dir}")
# Every CNG function the build calls (the platform layer, and the tests' reference); a call
# missing here fails at link time.
file(WRITE "${_bcrypt_def}.in" "LIBRARY bcrypt.dll\nEXPORTS\n"
  "BCryptCloseAlgorithmProvider\nBCryptDecrypt\nBCryptDeriveKeyPBKDF2\nBCryptDestroyKey\nBCryptEncrypt\n"
  "BCryptGenerateSymmetricKey\nBCryptGetProperty\nBCryptHash\nBCryptOpenAlgorithmProvider\nBCryptSetProperty\n")
configure_file("${_bcrypt_def}.in" "${_bcrypt_def}" COPYONLY)
add_custom_command(
  OUTPUT "${_bcrypt_lib}"
  COMMAND "${CMAKE_DLLTOOL}" --input-def "${_bcrypt_def}" --dllname bcrypt.dll --output-delaylib "${_bcrypt_lib}"
  DEPENDS "${_bcrypt_def}"
  COMMENT "Making the delay-load import library of bcrypt.dll"
  VERBATIM)
add_custom_target(vt_delay_imports DEPENDS "${_bcrypt_lib}")

add_library(bcrypt STATIC IMPORTED GLOBAL)
set_target_properties(bcrypt PROPERTIES IMPORTED_LOCATION "${_bcrypt_lib}")
add_dependencies(bcrypt vt_delay_imports)
