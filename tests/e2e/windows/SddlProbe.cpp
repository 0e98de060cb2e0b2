// Runs under Wine: parses a security descriptor in SDDL with the system's own parser, as
// Windows Installer does with the text of MsiLockPermissionsEx, and prints what it means, one
// item per line: "protected: yes|no", then "ace: <allow|deny|other> <SID> <flags> <mask>"
// per entry of the DACL (flags and mask in hex). Exit code 1 when the text does not parse.
//
// usage: sddl-probe.exe <SDDL>
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sddl-probe.exe <SDDL>\n");
    return 2;
  }
  const std::string given = argv[1];
  const std::wstring sddl(given.begin(), given.end());  // SDDL is ASCII
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    std::printf("error: %lu\n", GetLastError());
    return 1;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  std::printf("protected: %s\n", (control & SE_DACL_PROTECTED) ? "yes" : "no");
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl) {
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* entry = nullptr;
      if (!GetAce(dacl, i, &entry)) continue;
      const auto* header = static_cast<const ACE_HEADER*>(entry);
      // Allowed and denied entries share one layout: header, mask, then the SID.
      const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
      const char* type = header->AceType == ACCESS_ALLOWED_ACE_TYPE  ? "allow"
                         : header->AceType == ACCESS_DENIED_ACE_TYPE ? "deny"
                                                                     : "other";
      std::string sid = "?";
      wchar_t* text = nullptr;
      if (header->AceType <= ACCESS_DENIED_ACE_TYPE &&
          ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart), &text)) {
        sid = Narrow(text);
        LocalFree(text);
      }
      std::printf("ace: %s %s 0x%x 0x%lx\n", type, sid.c_str(), static_cast<unsigned>(header->AceFlags),
                  static_cast<unsigned long>(ace->Mask));
    }
  }
  LocalFree(descriptor);
  return 0;
}
