// The user-interface services the system touches (message boxes, beeps). On Linux a message
// box writes its caption and text to standard error in UTF-8; a beep is counted. Tests may
// install their own sinks to observe both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kvr::platform {

enum class MessageBoxIcon { kNone, kError, kWarning, kInformation };

using MessageBoxSink =
    std::function<void(std::string_view text, std::string_view caption, MessageBoxIcon icon)>;
using BeepSink = std::function<void(std::uint32_t frequency_hz, std::uint32_t duration_ms)>;

// Texts are Windows-1251.
void ShowMessageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon);
void Beep(std::uint32_t frequency_hz, std::uint32_t duration_ms);
// Number of beeps sounded in this process so far.
std::uint64_t BeepCount();

// Replace the default sinks (an empty function restores the default).
void SetMessageBoxSink(MessageBoxSink sink);
void SetBeepSink(BeepSink sink);

// Ends the whole process with the given exit code, without running further library code.
[[noreturn]] void ExitProcess(int exit_code);

}  // namespace kvr::platform
