#include "firebird/component.h"

#include <algorithm>

namespace kvr {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(*this);
}

TComponent::~TComponent() {
  // Owned components go newest first; each removes itself from components_ as it goes.
  while (!components_.empty()) delete components_.back();
  if (owner_ != nullptr) owner_->RemoveComponent(*this);
}

void TComponent::InsertComponent(TComponent& component) {
  if (component.owner_ == this) return;
  if (component.owner_ != nullptr) component.owner_->RemoveComponent(component);
  components_.push_back(&component);
  component.owner_ = this;
}

void TComponent::RemoveComponent(TComponent& component) {
  auto it = std::find(components_.begin(), components_.end(), &component);
  if (it == components_.end()) return;
  components_.erase(it);
  component.owner_ = nullptr;
}

}  // namespace kvr
