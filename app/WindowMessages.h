// The window messages that the main window handles itself, with their Windows values.
// Backends without window messages translate their events into these.
#pragma once

#include <cstdint>

namespace vantreel {

struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// <windows.h> defines the same names as macros with the same values; where it came first,
// its macros stand in for these (and where it comes later, its macros take over the uses).
#ifndef WM_SYSCOMMAND
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
#endif
#ifndef WM_MOVE
inline constexpr std::uint32_t WM_MOVE = 0x0003;
#endif
#ifndef WM_ACTIVATE
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
#endif
#ifndef WM_SETFOCUS
inline constexpr std::uint32_t WM_SETFOCUS = 0x0007;
#endif
#ifndef WA_INACTIVE
inline constexpr std::uintptr_t WA_INACTIVE = 0;
#endif
#ifndef WM_POWERBROADCAST
inline constexpr std::uint32_t WM_POWERBROADCAST = 0x0218;
#endif
#ifndef SC_MINIMIZE
inline constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
#endif
#ifndef PBT_APMRESUMESUSPEND
inline constexpr std::uintptr_t PBT_APMRESUMESUSPEND = 7;
#endif
#ifndef PBT_APMRESUMEAUTOMATIC
inline constexpr std::uintptr_t PBT_APMRESUMEAUTOMATIC = 18;
#endif

}  // namespace vantreel
