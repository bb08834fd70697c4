// TComponent: ownership between the Firebird access components, the way their users expect
// it. A component may own others: it frees them, newest first, when it is destroyed. A
// component destroyed before its owner first removes itself from the owner, so nothing is
// freed twice. Components also carry a name (empty by default).
//
// ComponentPtr<T> is what the creating functions hand back: it frees the component when the
// caller owns it (the component had no owner when the pointer was made) and only refers to it
// when an owner will free it; it never touches a component it does not own. To hand an owned
// component to an owner later, release() it first.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvr {

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }

  // Takes ownership of `component` (removing it from its previous owner).
  void InsertComponent(TComponent& component);
  // Gives up ownership of `component`; the caller then frees it.
  void RemoveComponent(TComponent& component);
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent& Components(int index) const { return *components_.at(index); }

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;  // owned; freed newest first
};

template <class T>
class ComponentPtr {
 public:
  ComponentPtr() = default;
  // Owns `component` unless it has an owner now.
  explicit ComponentPtr(T* component)
      : ptr_(component), owns_(component != nullptr && component->Owner() == nullptr) {}
  ComponentPtr(ComponentPtr&& other) noexcept
      : ptr_(std::exchange(other.ptr_, nullptr)), owns_(std::exchange(other.owns_, false)) {}
  ComponentPtr& operator=(ComponentPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = std::exchange(other.ptr_, nullptr);
      owns_ = std::exchange(other.owns_, false);
    }
    return *this;
  }
  ~ComponentPtr() { reset(); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Whether destroying this pointer frees the component.
  bool owns() const { return owns_; }
  // Hands the component over without freeing it.
  T* release() {
    owns_ = false;
    return std::exchange(ptr_, nullptr);
  }
  void reset() {
    T* p = std::exchange(ptr_, nullptr);
    if (std::exchange(owns_, false)) delete p;
  }

 private:
  T* ptr_ = nullptr;
  bool owns_ = false;
};

}  // namespace kvr
