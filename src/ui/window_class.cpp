#include "ui/window_class.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

#include "codepage/code_page.h"
#include "platform/system_error.h"

namespace kvr::ui {

using platform::kErrorInvalidParameter;
using platform::kErrorNotEnoughMemory;
using platform::SetLastError;

namespace {

constexpr std::size_t kMaxClassNameLength = 255;  // Windows class names are atoms

struct Registry {
  std::mutex lock;
  std::vector<WindowClass> classes;
  std::uint16_t next_atom = 0xC000;  // string atoms live from 0xC000 upwards
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

auto Named(std::string_view class_name, InstanceHandle instance) {
  return [class_name, instance](const WindowClass& c) {
    return c.instance == instance && codepage::AnsiSameText(c.class_name, class_name);
  };
}

// The registered class, or null with the last error set. Call with the registry locked.
WindowClass* Locate(Registry& registry, std::string_view class_name, InstanceHandle instance) {
  auto& classes = registry.classes;
  auto found = std::find_if(classes.begin(), classes.end(), Named(class_name, instance));
  if (found == classes.end()) {
    SetLastError(kErrorClassDoesNotExist);
    return nullptr;
  }
  return &*found;
}

// Handles of shared system resources: a fixed tag keeps icons and cursors apart.
constexpr IconHandle kIconTag = 0x10000;
constexpr CursorHandle kCursorTag = 0x20000;
constexpr std::array<ResourceId, 7> kSystemIcons{32512, 32513, 32514, 32515, 32516, 32517, 32518};
constexpr std::array<ResourceId, 16> kSystemCursors{32512, 32513, 32514, 32515, 32516, 32640,
                                                    32641, 32642, 32643, 32644, 32645, 32646,
                                                    32648, 32649, 32650, 32651};

template <std::size_t N>
std::uintptr_t SystemResource(const std::array<ResourceId, N>& known, ResourceId id,
                              std::uintptr_t tag) {
  if (std::find(known.begin(), known.end(), id) == known.end()) {
    SetLastError(kErrorResourceNameNotFound);
    return 0;
  }
  return tag | id;
}

}  // namespace

std::uint16_t RegisterWindowClass(const WindowClass& window_class) {
  if (window_class.class_name.empty() || window_class.class_name.size() > kMaxClassNameLength ||
      window_class.procedure == nullptr || window_class.class_extra_bytes < 0 ||
      window_class.window_extra_bytes < 0) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  auto& classes = registry.classes;
  if (std::any_of(classes.begin(), classes.end(),
                  Named(window_class.class_name, window_class.instance))) {
    SetLastError(kErrorClassAlreadyExists);
    return 0;
  }
  if (registry.next_atom == 0) {  // atom table exhausted
    SetLastError(kErrorNotEnoughMemory);
    return 0;
  }
  classes.push_back(window_class);
  return registry.next_atom++;
}

bool UnregisterWindowClass(std::string_view class_name, InstanceHandle instance) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  WindowClass* found = Locate(registry, class_name, instance);
  if (found == nullptr) return false;
  registry.classes.erase(registry.classes.begin() + (found - registry.classes.data()));
  return true;
}

std::optional<WindowClass> FindWindowClass(std::string_view class_name, InstanceHandle instance) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.lock);
  WindowClass* found = Locate(registry, class_name, instance);
  if (found == nullptr) return std::nullopt;
  return *found;
}

IconHandle LoadSystemIcon(ResourceId id) { return SystemResource(kSystemIcons, id, kIconTag); }

CursorHandle LoadSystemCursor(ResourceId id) {
  return SystemResource(kSystemCursors, id, kCursorTag);
}

}  // namespace kvr::ui
