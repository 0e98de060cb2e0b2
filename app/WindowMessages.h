// The two window messages that the main window handles itself, with their Windows values.
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

inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t WM_POWERBROADCAST = 0x0218;
inline constexpr std::uintptr_t SC_MINIMIZE = 0xF020;
inline constexpr std::uintptr_t PBT_APMRESUMESUSPEND = 7;
inline constexpr std::uintptr_t PBT_APMRESUMEAUTOMATIC = 18;

}  // namespace vantreel
