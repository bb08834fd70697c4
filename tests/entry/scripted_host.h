// A host for tests: answers the library's queries from a script and records what was asked.
// The callback is a plain C function pointer, as a real host's is.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "kvr/host_abi.h"

namespace kvr::test {

using Answer = std::function<void(kvr_variant* answer)>;

struct ScriptedHost {
  std::map<std::int32_t, Answer> answers;  // unscripted queries stay empty
  std::vector<std::int32_t> asked;

  void Reset() {
    answers.clear();
    asked.clear();
  }
  int TimesAsked(std::int32_t code) const;
};

ScriptedHost& Host();
void HostCallback(kvr_variant* answer, std::int32_t code, std::int32_t arg);

Answer AnswerInteger(std::int32_t value);
Answer AnswerText(const std::string& utf8);
Answer AnswerNames(const std::vector<std::string>& utf8_names);
Answer AnswerPointer(const void* pointer);
// A variant whose type code is `vt` and whose value bits are `bits` (for garbage answers).
Answer AnswerRaw(kvr_vartype vt, std::uint64_t bits);

// A descriptor (not owning) of a one-dimensional array [0 .. 0] of variants holding *element,
// for tests that spoil descriptors by hand.
kvr_array SingleVariantDescriptor(kvr_variant* element);

// A host payment catalogue object with one item per (code, check type).
class TestCatalogue {
 public:
  struct Entry {
    std::int32_t code;
    std::uint8_t check_type;
  };
  explicit TestCatalogue(std::vector<Entry> entries);
  TestCatalogue(const TestCatalogue&) = delete;
  TestCatalogue& operator=(const TestCatalogue&) = delete;
  kvr_payment_catalogue* Object() { return &object_.base; }
  int ItemCalls() const { return item_calls_; }
  // Items at or after this index are refused (item returns NULL).
  void RefuseFrom(int index) { refuse_from_ = index; }
  // Changes what item `index` answers from now on (the host edited a payment type).
  void SetEntry(int index, Entry entry) {
    items_.at(static_cast<std::size_t>(index)).entry = entry;
  }

 private:
  struct Item {
    kvr_payment_item base;
    Entry entry;
  };
  static kvr_payment_item* ItemAt(kvr_payment_catalogue* self, std::int32_t index);
  static std::int32_t CodeOf(kvr_payment_item* item);
  static std::uint8_t CheckTypeOf(kvr_payment_item* item);

  struct HostObject {
    kvr_payment_catalogue base;  // first: the host hands out its address
    TestCatalogue* owner;
  };
  HostObject object_;
  std::vector<Item> items_;
  int item_calls_ = 0;
  int refuse_from_ = -1;
};

}  // namespace kvr::test
