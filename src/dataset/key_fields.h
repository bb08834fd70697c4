// Helpers for Locate: splitting a ';'-separated key field list and picking the key value
// that belongs to each key field.
#pragma once

#include <string_view>
#include <vector>

#include "common/variant.h"

namespace kvr {

// The names between ';', trimmed; empty names are dropped.
std::vector<std::string_view> SplitKeyFields(std::string_view key_fields);
// The key value for the key field at `position` (from 0): the array element when the values
// are an array, else the value itself for position 0. Missing elements are Null.
Variant KeyValueAt(const Variant& key_values, std::size_t position);

}  // namespace kvr
