// The process's window class registry (RegisterClassA, UnregisterClassA, GetClassInfoA) and
// the system icons and cursors a class names. As on Windows, a class belongs to the module
// instance that registered it, its name compares without regard to letter case, and it stays
// registered until it is unregistered or the process ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/window_types.h"

namespace kvr::ui {

constexpr std::uint32_t kClassVRedraw = 0x0001;  // CS_VREDRAW
constexpr std::uint32_t kClassHRedraw = 0x0002;  // CS_HREDRAW

using ResourceId = std::uint16_t;
constexpr ResourceId kIconApplication = 32512;  // IDI_APPLICATION
constexpr ResourceId kCursorArrow = 32512;      // IDC_ARROW

constexpr int kColorWindow = 5;  // COLOR_WINDOW
// A class background named by a system colour, as Windows expects it: the colour index plus one.
constexpr BrushHandle SystemColorBrush(int color_index) {
  return static_cast<BrushHandle>(color_index + 1);
}

constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;
constexpr std::uint32_t kErrorClassAlreadyExists = 1410;
constexpr std::uint32_t kErrorClassDoesNotExist = 1411;
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;

// The attributes of a class (WNDCLASSA).
struct WindowClass {
  std::uint32_t style = 0;
  WindowProcedure procedure = nullptr;
  int class_extra_bytes = 0;
  int window_extra_bytes = 0;
  InstanceHandle instance = 0;
  IconHandle icon = 0;
  CursorHandle cursor = 0;
  BrushHandle background = 0;
  std::string menu_name;  // empty: no menu
  std::string class_name;
};

// Registers a class. Returns its atom, or 0 with the last error set: kErrorClassAlreadyExists
// when the instance already registered the name, kErrorInvalidParameter for an empty or
// over-long name, no procedure, or negative extra bytes.
std::uint16_t RegisterWindowClass(const WindowClass& window_class);
// Removes a class; false with kErrorClassDoesNotExist when the instance has no such class.
bool UnregisterWindowClass(std::string_view class_name, InstanceHandle instance);
// The attributes of a registered class, or none (last error kErrorClassDoesNotExist).
std::optional<WindowClass> FindWindowClass(std::string_view class_name, InstanceHandle instance);

// The shared system icon or cursor with the given identifier (LoadIcon/LoadCursor with no
// instance); 0 with kErrorResourceNameNotFound for an identifier the system does not have.
IconHandle LoadSystemIcon(ResourceId id);
CursorHandle LoadSystemCursor(ResourceId id);

}  // namespace kvr::ui
