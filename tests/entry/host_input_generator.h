// Seeded generator of what a host hands the library: parameter variants of every type and
// shape (right, odd and broken), report codes, and answers to the library's queries.
//
// Memory: parameters stay the caller's, so they live in an Arena freed after the call. Answers
// the library takes over and frees with free() when they pass its checks, so well-formed
// answers are built with the header's malloc helpers; broken ones (which the library refuses
// and must not free) live in the arena.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kvr/host_abi.h"
#include "scripted_host.h"

namespace kvr::test {

// Blocks owned by one call.
class Arena {
 public:
  void* Alloc(std::size_t size);
  kvr_bstr Bstr(const std::vector<kvr_wchar>& units);
  kvr_array* Descriptor() { return static_cast<kvr_array*>(Alloc(sizeof(kvr_array))); }
  void Clear() { blocks_.clear(); }

 private:
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
};

// One generated call.
struct HostCase {
  char report_code = '0';
  kvr_variant params{};
  std::string description;  // for the failure message
};

// Host objects answered to query 57, right and broken, alive for the whole run.
struct CatalogueZoo;

class HostInputGenerator {
 public:
  HostInputGenerator(std::uint64_t seed, std::string station_dir, std::string shop_dir,
                     double data_begin, double data_end);
  ~HostInputGenerator();

  // The next case; its memory is in `arena` until the arena is cleared.
  HostCase Next(Arena& arena);
  // Scripts the host's answers for the next call (some right, some wrong).
  void ScriptAnswers(ScriptedHost& host);

 private:
  std::uint64_t Bits() { return rng_(); }
  int Below(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  double DateValue();
  std::int64_t IntegerValue();
  std::vector<kvr_wchar> TextUnits();
  kvr_variant Scalar(Arena& arena, kvr_vartype type);
  kvr_variant AnyElement(Arena& arena, int depth);
  kvr_variant Element(Arena& arena, kvr_vartype wanted);
  kvr_variant Array(Arena& arena, std::vector<kvr_vartype> shape, std::string& description);
  kvr_variant RandomArray(Arena& arena, int depth, std::string& description);
  std::vector<kvr_vartype> ShapeFor(char code);
  Answer NamesAnswer();
  Answer CatalogueAnswer();
  Answer TextAnswer(const std::string& right);

  std::mt19937_64 rng_;
  std::string station_dir_;
  std::string shop_dir_;
  double data_begin_;
  double data_end_;
  std::unique_ptr<CatalogueZoo> zoo_;
  std::vector<std::unique_ptr<kvr_array>> broken_answers_;
};

// The texts a call may hand back (Windows-1251): empty, an export's file name, or one of the
// two error families.
bool IsAllowedAnswer(std::int32_t result, const char* text, std::string* why);

}  // namespace kvr::test
