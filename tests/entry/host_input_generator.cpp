#include "host_input_generator.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "codepage/code_page.h"
#include "host_params.h"

namespace kvr::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Dates as days since 30 December 1899: the edges of years 1 and 9999 and just past them,
// values that are not dates at all, and the tiny and the negative.
constexpr double kOddDates[] = {
    kNaN,      kInf,      -kInf,      1e308,     -1e308,      1e9,   -1e9,
    -693593.0, -693594.0, -693959.0,  2958465.5, 2958466.0,   0.0,   -0.5,
    -1.75,     5e-324,    36526.9999, 1e15,      -2958466.25, 2.0e6,
};

constexpr std::int64_t kOddIntegers[] = {
    0,
    1,
    -1,
    3,
    5,
    1000,
    2147483647LL,
    -2147483647LL - 1,
    2147483648LL,
    -2147483649LL,
    9223372036854775807LL,
    -9223372036854775807LL - 1,
    65536,
    -32768,
};

// Type codes the library does not know (OLE's R4, CY, DISPATCH, ERROR, UNKNOWN, DECIMAL, I1,
// UI1, a by-reference integer, and nonsense).
constexpr kvr_vartype kUnknownTypes[] = {4,  6,  9,      10,     13,     14,
                                         16, 17, 0x4003, 0x0FFF, 0xFFFF, 0x2000 | 0x99};

constexpr kvr_vartype kElementTypes[] = {KVR_VT_VARIANT, KVR_VT_BSTR, KVR_VT_I2,   KVR_VT_I4,
                                         KVR_VT_I8,      KVR_VT_R8,   KVR_VT_DATE, KVR_VT_BOOL};

std::uint32_t TrueSize(kvr_vartype type) {
  switch (type) {
    case KVR_VT_VARIANT: return sizeof(kvr_variant);
    case KVR_VT_BSTR: return sizeof(kvr_bstr);
    case KVR_VT_I2:
    case KVR_VT_BOOL: return 2;
    case KVR_VT_I4: return 4;
    default: return 8;
  }
}

std::vector<kvr_wchar> Units(std::string_view utf8) {
  kvr_bstr b = kvr_bstr_from_utf8(std::string(utf8).c_str());
  std::vector<kvr_wchar> out(b, b + kvr_bstr_length(b));
  kvr_bstr_free(b);
  return out;
}

kvr_bstr MallocBstr(const std::vector<kvr_wchar>& units) {
  return kvr_bstr_alloc(units.data(), static_cast<std::uint32_t>(units.size()));
}

}  // namespace

// ---- arena

void* Arena::Alloc(std::size_t size) {
  blocks_.push_back(std::make_unique<unsigned char[]>(size == 0 ? 1 : size));
  std::memset(blocks_.back().get(), 0, size == 0 ? 1 : size);
  return blocks_.back().get();
}

kvr_bstr Arena::Bstr(const std::vector<kvr_wchar>& units) {
  const std::uint32_t bytes = static_cast<std::uint32_t>(units.size() * sizeof(kvr_wchar));
  auto* block = static_cast<unsigned char*>(Alloc(sizeof bytes + bytes + sizeof(kvr_wchar)));
  std::memcpy(block, &bytes, sizeof bytes);
  if (!units.empty()) std::memcpy(block + sizeof bytes, units.data(), bytes);
  return reinterpret_cast<kvr_bstr>(block + sizeof bytes);
}

// ---- host objects for query 57

namespace {
kvr_payment_item g_item_without_table{nullptr};
kvr_payment_item* ItemWithoutTable(kvr_payment_catalogue*, std::int32_t) {
  return &g_item_without_table;
}
std::int32_t NoCode(kvr_payment_item*) { return 0; }
const kvr_payment_item_vtable kHalfItemTable{&NoCode, nullptr};
kvr_payment_item g_half_item{&kHalfItemTable};
kvr_payment_item* HalfItem(kvr_payment_catalogue*, std::int32_t) { return &g_half_item; }
const kvr_payment_catalogue_vtable kNoItemTable{nullptr};
const kvr_payment_catalogue_vtable kItemWithoutTable{&ItemWithoutTable};
const kvr_payment_catalogue_vtable kHalfItemCatalogue{&HalfItem};
}  // namespace

struct CatalogueZoo {
  TestCatalogue good{{{0, 1}, {1, 2}, {12, 0}, {-5, 255}}};
  TestCatalogue refusing{{{0, 1}, {1, 2}, {2, 3}}};
  kvr_payment_catalogue wrong_magic{0x12345678u, nullptr};
  kvr_payment_catalogue no_table{KVR_PAYMENT_CATALOGUE_MAGIC, nullptr};
  kvr_payment_catalogue no_item{KVR_PAYMENT_CATALOGUE_MAGIC, &kNoItemTable};
  kvr_payment_catalogue item_without_table{KVR_PAYMENT_CATALOGUE_MAGIC, &kItemWithoutTable};
  kvr_payment_catalogue half_item{KVR_PAYMENT_CATALOGUE_MAGIC, &kHalfItemCatalogue};
  CatalogueZoo() { refusing.RefuseFrom(1); }
};

// ---- generator

HostInputGenerator::HostInputGenerator(std::uint64_t seed, std::string station_dir,
                                       std::string shop_dir, double data_begin, double data_end)
    : rng_(seed),
      station_dir_(std::move(station_dir)),
      shop_dir_(std::move(shop_dir)),
      data_begin_(data_begin),
      data_end_(data_end),
      zoo_(std::make_unique<CatalogueZoo>()) {
  zoo_->wrong_magic.vtable = zoo_->good.Object()->vtable;
}

HostInputGenerator::~HostInputGenerator() = default;

double HostInputGenerator::DateValue() {
  if (Chance(45)) return kOddDates[Below(std::size(kOddDates))];
  // Within the test data, to the millisecond or not.
  return data_begin_ + (data_end_ - data_begin_) * static_cast<double>(Bits() % 1000001) / 1e6;
}

std::int64_t HostInputGenerator::IntegerValue() {
  if (Chance(50)) return kOddIntegers[Below(std::size(kOddIntegers))];
  if (Chance(70)) return Below(12);  // shift and dispenser numbers of the test data
  return static_cast<std::int64_t>(Bits());
}

std::vector<kvr_wchar> HostInputGenerator::TextUnits() {
  switch (Below(10)) {
    case 0: return {};
    case 1: return Units(std::to_string(IntegerValue()));
    case 2: return Units(Chance(50) ? "2024-03-01 12:00" : "01.03.2024");
    case 3: return Units(shop_dir_);
    case 4: return Units("Наличные №1 «АЗС»");
    case 5: return std::vector<kvr_wchar>(Chance(50) ? 70000 : 300, u'Я');
    case 6: return Units(Chance(50) ? " 1e400 " : "-0x1F");
    default: {
      // Random code units: Cyrillic, Latin, lone and paired surrogates, controls, NUL. No ':'
      // beyond a drive letter, so that no text names a server to connect to.
      std::vector<kvr_wchar> units(Below(40));
      for (kvr_wchar& u : units) {
        u = static_cast<kvr_wchar>(Chance(30)   ? 0x0400 + Below(0x60)
                                   : Chance(20) ? 0xD800 + Below(0x800)
                                                : Below(0x80));
        if (u == u':') u = u'_';
      }
      return units;
    }
  }
}

kvr_variant HostInputGenerator::Scalar(Arena& arena, kvr_vartype type) {
  kvr_variant v;
  kvr_variant_init(&v);
  v.vt = type;
  switch (type) {
    case KVR_VT_I2: v.value.i2 = static_cast<std::int16_t>(IntegerValue()); break;
    case KVR_VT_I4: v.value.i4 = static_cast<std::int32_t>(IntegerValue()); break;
    case KVR_VT_I8: v.value.i8 = IntegerValue(); break;
    case KVR_VT_R8:
      v.value.r8 = Chance(50) ? DateValue() : static_cast<double>(IntegerValue()) + 0.5;
      break;
    case KVR_VT_DATE: v.value.date = DateValue(); break;
    case KVR_VT_BOOL:
      v.value.boolean = Chance(80) ? (Chance(50) ? KVR_VARIANT_TRUE : KVR_VARIANT_FALSE)
                                   : static_cast<std::int16_t>(Bits());
      break;
    case KVR_VT_BSTR: v.value.bstr = Chance(10) ? nullptr : arena.Bstr(TextUnits()); break;
    default:
      std::uint64_t bits = Bits();
      std::memcpy(&v.value, &bits, sizeof bits);
      break;
  }
  return v;
}

kvr_variant HostInputGenerator::AnyElement(Arena& arena, int depth) {
  const int pick = Below(20);
  if (pick < 2) return Scalar(arena, pick == 0 ? KVR_VT_EMPTY : KVR_VT_NULL);
  if (pick < 14) return Scalar(arena, kElementTypes[1 + Below(std::size(kElementTypes) - 1)]);
  if (pick < 16) return Scalar(arena, kUnknownTypes[Below(std::size(kUnknownTypes))]);
  if (depth < 3) {
    std::string ignored;
    return RandomArray(arena, depth + 1, ignored);
  }
  return Scalar(arena, KVR_VT_I4);
}

kvr_variant HostInputGenerator::Element(Arena& arena, kvr_vartype wanted) {
  if (Chance(75)) return Scalar(arena, wanted);
  return AnyElement(arena, 1);
}

// A one-dimensional array [0..n-1] of variants of the shape a report expects, mostly right.
kvr_variant HostInputGenerator::Array(Arena& arena, std::vector<kvr_vartype> shape,
                                      std::string& description) {
  if (Chance(15) && !shape.empty()) shape.resize(Below(static_cast<int>(shape.size())));
  if (Chance(10)) shape.resize(std::min<std::size_t>(8, shape.size() + 1 + Below(3)), KVR_VT_I4);
  kvr_array* a = arena.Descriptor();
  a->dims = 1;
  a->element_size = sizeof(kvr_variant);
  a->element_type = KVR_VT_VARIANT;
  a->bounds[0].count = static_cast<std::uint32_t>(shape.size());
  a->bounds[0].lower = Chance(90) ? 0 : (Chance(50) ? 1 : -3);
  auto* elements = static_cast<kvr_variant*>(arena.Alloc(shape.size() * sizeof(kvr_variant)));
  description += "shaped[" + std::to_string(shape.size()) + "] from " +
                 std::to_string(a->bounds[0].lower) + ":";
  for (std::size_t i = 0; i < shape.size(); ++i) {
    elements[i] = Element(arena, shape[i]);
    description += " " + std::to_string(elements[i].vt);
  }
  a->data = elements;
  kvr_variant v;
  kvr_variant_init(&v);
  v.vt = KVR_VT_ARRAY | KVR_VT_VARIANT;
  v.value.array = a;
  return v;
}

// Any descriptor: 0 to 3 dimensions, any element type and size, odd bounds, missing or
// unreadable data, nesting beyond the library's limit.
kvr_variant HostInputGenerator::RandomArray(Arena& arena, int depth, std::string& description) {
  kvr_variant v;
  kvr_variant_init(&v);
  if (Chance(3)) {
    // A chain of one-element arrays deeper than any host builds.
    v = Scalar(arena, KVR_VT_I4);
    for (int level = 0; level < 20; ++level) {
      kvr_array* a = arena.Descriptor();
      a->dims = 1;
      a->element_size = sizeof(kvr_variant);
      a->element_type = KVR_VT_VARIANT;
      a->bounds[0].count = 1;
      auto* inner = static_cast<kvr_variant*>(arena.Alloc(sizeof(kvr_variant)));
      *inner = v;
      a->data = inner;
      v.vt = KVR_VT_ARRAY | KVR_VT_VARIANT;
      v.value.array = a;
    }
    description += "nested x20";
    return v;
  }
  kvr_array* a = arena.Descriptor();
  const int dims_pick = Below(20);
  a->dims = dims_pick < 13 ? 1 : dims_pick < 18 ? 2 : (dims_pick == 18 ? 0 : 3);
  const kvr_vartype type = Chance(92) ? kElementTypes[Below(std::size(kElementTypes))]
                                      : kUnknownTypes[Below(std::size(kUnknownTypes))];
  a->element_type = type;
  const std::uint32_t size = TrueSize(type);
  static constexpr std::uint32_t kWrongSizes[] = {0, 1, 4, 8, 16, 0xFFFFFFFFu};
  a->element_size = Chance(85) ? size : kWrongSizes[Below(std::size(kWrongSizes))];
  static constexpr std::int32_t kLowers[] = {0,         0, 0, 1, -1, 7, 2147483647, -2147483647 - 1,
                                             2147483644};
  for (int d = 0; d < 2; ++d) {
    a->bounds[d].count = static_cast<std::uint32_t>(d == 0 ? Below(9) : Below(5));
    a->bounds[d].lower = kLowers[Below(std::size(kLowers))];
  }
  if (Chance(2)) a->bounds[0].count = 0x7FFFFFFFu;  // a count no memory backs
  const std::uint64_t total =
      std::min<std::uint64_t>(64, a->bounds[0].count * (a->dims == 2 ? a->bounds[1].count : 1));
  auto* data = static_cast<unsigned char*>(arena.Alloc(total * size));
  for (std::uint64_t i = 0; i < total; ++i) {
    if (type == KVR_VT_VARIANT) {
      const kvr_variant element = AnyElement(arena, depth);
      std::memcpy(data + i * size, &element, sizeof element);
    } else {
      const kvr_variant element = Scalar(arena, type);
      std::memcpy(data + i * size, &element.value, size);
    }
  }
  const int data_pick = Below(40);
  a->data = data_pick == 0 ? nullptr : data_pick == 1 ? reinterpret_cast<void*>(16) : data;
  // The variant's own type code usually agrees with the descriptor.
  const kvr_vartype declared = Chance(90) ? type : kElementTypes[Below(std::size(kElementTypes))];
  v.vt = KVR_VT_ARRAY | declared;
  v.value.array = Chance(97) ? a : (Chance(50) ? nullptr : reinterpret_cast<kvr_array*>(24));
  description += "random dims " + std::to_string(a->dims) + " type " + std::to_string(type) +
                 " size " + std::to_string(a->element_size) + " count " +
                 std::to_string(a->bounds[0].count) + "x" + std::to_string(a->bounds[1].count) +
                 " lower " + std::to_string(a->bounds[0].lower) + " data " +
                 std::to_string(data_pick);
  return v;
}

std::vector<kvr_vartype> HostInputGenerator::ShapeFor(char code) {
  const kvr_vartype D = KVR_VT_DATE, I = KVR_VT_I4, S = KVR_VT_BSTR;
  switch (code) {
    case '0': return {D, D, I, I, S};
    case '1':
    case '2': return {D, D};
    case '6': return {I, I};
    case '#': return {I, I, S, S, I};
    case '8':
      switch (Below(6)) {
        case 0: return {I, I, I, D, D};
        case 1: return {I};
        case 2: return {I, I, I};
        default: return {I, D, D};
      }
    default: return {I, D, D};
  }
}

HostCase HostInputGenerator::Next(Arena& arena) {
  HostCase c;
  static constexpr char kCodes[] = {'0', '1', '2', '6', '8', '8', '8', '#'};
  c.report_code = Chance(93) ? kCodes[Below(std::size(kCodes))]
                             : static_cast<char>(Chance(50) ? Bits() : "3579A\0"[Below(6)]);
  c.description = "report " + std::to_string(static_cast<unsigned char>(c.report_code)) + ", ";
  const int pick = Below(100);
  if (pick < 65) {
    c.params = Array(arena, ShapeFor(c.report_code), c.description);
    kvr_array* a = c.params.value.array;
    auto* elements = static_cast<kvr_variant*>(a->data);
    if (a->bounds[0].count > 0 && elements[0].vt == KVR_VT_I4) {
      // The sub-report of "8" and the command number of "#": mostly the ones that exist.
      if (c.report_code == '8' && Chance(85)) elements[0].value.i4 = 1 + Below(5);
      if (c.report_code == '#' && Chance(85)) elements[0].value.i4 = 1000;
    }
    if (c.report_code == '#' && a->bounds[0].count > 2 && elements[2].vt == KVR_VT_BSTR &&
        Chance(70))
      elements[2].value.bstr = arena.Bstr(Units(station_dir_));
  } else if (pick < 95) {
    c.params = RandomArray(arena, 0, c.description);
  } else {
    c.params = AnyElement(arena, 3);  // not an array at all
    c.description += "scalar " + std::to_string(c.params.vt);
  }
  return c;
}

Answer HostInputGenerator::TextAnswer(const std::string& right) {
  switch (Below(8)) {
    case 0: return AnswerInteger(static_cast<std::int32_t>(IntegerValue()));
    case 1: return AnswerRaw(KVR_VT_NULL, 0);
    case 2: return AnswerRaw(kUnknownTypes[Below(std::size(kUnknownTypes))], Bits());
    case 3: {
      std::vector<kvr_wchar> units = TextUnits();
      return [units](kvr_variant* v) {
        v->vt = KVR_VT_BSTR;
        v->value.bstr = MallocBstr(units);
      };
    }
    default: return AnswerText(right);
  }
}

Answer HostInputGenerator::NamesAnswer() {
  switch (Below(9)) {
    case 0: return AnswerNames({"&Наличные", "&Платеж. терминал", "ЛБР"});
    case 1: return AnswerNames({});
    case 2: {
      std::vector<std::string> many;
      for (int i = 0; i < 40; ++i) many.push_back("Вид " + std::to_string(i));
      return AnswerNames(many);
    }
    case 3:
      return [](kvr_variant* v) {
        const char* names[] = {"&Cash", "", "&Card"};
        *v = host_bstr_array(names, 3);
      };
    case 4:
      // Well-formed, but two dimensions of integers with an odd lower bound.
      return [](kvr_variant* v) {
        kvr_array* a = kvr_array_create(-2, 3, 5, 2);
        for (int i = -2; i <= 0; ++i)
          for (int j = 5; j <= 6; ++j) kvr_variant_set_i4(kvr_array_at(a, i, j), i * j);
        kvr_variant_set_array(v, a);
      };
    case 5: {
      // A broken descriptor, refused and so never freed: it lives with the generator.
      kvr_array* a = broken_answers_.emplace_back(std::make_unique<kvr_array>()).get();
      a->dims = static_cast<std::uint16_t>(Chance(50) ? 3 : 1);
      a->element_type = KVR_VT_VARIANT;
      a->element_size = a->dims == 3 ? sizeof(kvr_variant) : 3;
      a->bounds[0].count = 2;
      return AnswerRaw(KVR_VT_ARRAY | KVR_VT_VARIANT, reinterpret_cast<std::uintptr_t>(a));
    }
    case 6: return AnswerRaw(KVR_VT_ARRAY | KVR_VT_BSTR, 16);  // unreadable descriptor
    case 7: return AnswerText("&Наличные;&Карта");
    default: return AnswerRaw(KVR_VT_EMPTY, 0);
  }
}

Answer HostInputGenerator::CatalogueAnswer() {
  CatalogueZoo& z = *zoo_;
  switch (Below(12)) {
    case 0: return AnswerPointer(z.refusing.Object());
    case 1: return AnswerPointer(&z.wrong_magic);
    case 2: return AnswerPointer(&z.no_table);
    case 3: return AnswerPointer(&z.no_item);
    case 4: return AnswerPointer(&z.item_without_table);
    case 5: return AnswerPointer(&z.half_item);
    case 6: return AnswerPointer(reinterpret_cast<const void*>(32));
    case 7: return AnswerInteger(0);
    case 8: return AnswerText("нет");
    case 9: return AnswerRaw(KVR_VT_I4, reinterpret_cast<std::uintptr_t>(z.good.Object()));
    default: return AnswerPointer(z.good.Object());
  }
}

void HostInputGenerator::ScriptAnswers(ScriptedHost& host) {
  host.Reset();
  host.answers[5] = Chance(85) ? AnswerText(station_dir_) : TextAnswer(station_dir_);
  host.answers[8] = Chance(70) ? AnswerRaw(KVR_VT_BOOL, Chance(20) ? 0xFFFF : 0) : TextAnswer("1");
  host.answers[17] = Chance(70) ? AnswerRaw(KVR_VT_BOOL, Chance(50) ? 0xFFFF : 0) : TextAnswer("0");
  host.answers[13] = TextAnswer("АЗС №1");
  host.answers[46] = Chance(60) ? AnswerInteger(Chance(50) ? 3 : 0) : TextAnswer("3");
  host.answers[23] = NamesAnswer();
  host.answers[57] = CatalogueAnswer();
  if (Chance(5)) host.answers.erase(static_cast<std::int32_t>(Bits() % 60));
}

bool IsAllowedAnswer(std::int32_t result, const char* text, std::string* why) {
  if (result != 0 && result != 1) {
    *why = "result " + std::to_string(result);
    return false;
  }
  const std::string t = text != nullptr ? text : "";
  if (text != nullptr && t.empty()) {
    *why = "an empty text must come back as NULL";
    return false;
  }
  if (t.empty()) return true;
  const std::string utf8 = codepage::Cp1251ToUtf8(t);
  static const char* const kFiles[] = {"ExportVidOpl.dbf", "AllDscCardExport.dbf",
                                       "ExportTRKInfo.dbf", "ExportBCheck.dbf", "ExportRsxDsc.dbf"};
  const std::string family = result == 1 ? "Ошибка при формировании отчета: "
                                         : "Ошибка при формировании экспортного отчета: ";
  if (utf8.rfind(family, 0) == 0 && utf8.size() > family.size()) return true;
  if (result == 1)
    for (const char* file : kFiles)
      if (utf8 == file) return true;
  *why = "result " + std::to_string(result) + " with text \"" + utf8.substr(0, 300) + "\"";
  return false;
}

}  // namespace kvr::test
