// The handle, message and procedure types of the windowing stand-in. Handles are opaque
// pointer-sized numbers as on Windows; 0 means "none". Message and key codes keep their
// Windows values so that code written against them reads the same on every platform.
#pragma once

#include <cstdint>

#include "platform/module_instance.h"

namespace kvr::ui {

using WindowHandle = std::uintptr_t;   // HWND
using platform::InstanceHandle;        // HINSTANCE
using DeviceContext = std::uintptr_t;  // HDC
using IconHandle = std::uintptr_t;     // HICON
using CursorHandle = std::uintptr_t;   // HCURSOR
using BrushHandle = std::uintptr_t;    // HBRUSH
using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A window procedure is called by the system's message dispatch, so it must not throw.
using WindowProcedure = LResult (*)(WindowHandle window, MessageId message, WParam wparam,
                                    LParam lparam) noexcept;

namespace message {
constexpr MessageId kDestroy = 0x0002;
constexpr MessageId kPaint = 0x000F;
constexpr MessageId kClose = 0x0010;
constexpr MessageId kQuit = 0x0012;
constexpr MessageId kKeyDown = 0x0100;
constexpr MessageId kCommand = 0x0111;
constexpr MessageId kUser = 0x0400;
}  // namespace message

constexpr WParam kVirtualKeyReturn = 0x0D;
constexpr WParam kVirtualKeyEscape = 0x1B;

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace kvr::ui
