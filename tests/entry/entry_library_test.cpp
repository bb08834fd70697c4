// The built library, loaded with dlopen and driven through kvr/host_abi.h only, as a host
// program drives it. The library's process-wide state lives on between the tests of one run,
// so each test sets what it relies on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/text.h"
#include "entry_test_support.h"
#include "host_params.h"
#include "kvr/host_abi.h"
#include "platform/process_environment.h"
#include "platform/shared_library.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

using namespace kvr::literals;

class LoadedLibrary {
 public:
  LoadedLibrary() {
    // Whatever the library writes at load (its logs) stays in a directory of this run.
    std::string root = ::testing::TempDir() + "kvr-entry-library-root";
    platform::SetEnvironmentVariable("KVR_ROOT", root);
    std::string error;
    library_ = platform::SharedLibrary::Open(KVR_LIBRARY_PATH, &error);
    if (!library_) throw std::runtime_error(error);
    init_ = reinterpret_cast<kvr_init_reports_fn>(library_->Symbol("InitReports"));
    get_ = reinterpret_cast<kvr_get_reports_fn>(library_->Symbol("GetReportsInStringEx"));
  }
  kvr_init_reports_fn init_ = nullptr;
  kvr_get_reports_fn get_ = nullptr;

 private:
  std::unique_ptr<platform::SharedLibrary> library_;
};

LoadedLibrary& Library() {
  static LoadedLibrary library;
  return library;
}

host_param Int(std::int64_t v) { return host_param{HP_INT, v, nullptr, 0}; }
host_param Text(const char* utf8) { return host_param{HP_TEXT, 0, utf8, 0}; }

const std::string kExportFailure(std::string("Ошибка при формировании экспортного отчета: "_w));

class EntryLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Library().init_, nullptr);
    ASSERT_NE(Library().get_, nullptr);
    Host().Reset();
  }
  std::int32_t Call(char code, const std::vector<host_param>& elements, HostText& text) {
    kvr_variant params =
        host_params_array(elements.data(), static_cast<std::uint32_t>(elements.size()));
    std::int32_t result = Library().get_(code, params, text.Slot());
    kvr_variant_clear(&params);  // the params stay the caller's
    return result;
  }
};

TEST_F(EntryLibraryTest, InitReportsAsksKindNamesAndCatalogueObject) {
  TestCatalogue catalogue({{10, 1}, {20, 2}});
  Host().answers[46] = AnswerInteger(3);
  Host().answers[23] = AnswerNames({"&Cash", "&Card"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  int data = 0, buffer = 0;
  Library().init_(&data, &HostCallback, &buffer);
  EXPECT_EQ(Host().asked, (std::vector<std::int32_t>{46, 23, 57}));
  EXPECT_EQ(catalogue.ItemCalls(), 4);

  Host().asked.clear();
  Library().init_(nullptr, nullptr, nullptr);  // keeps the callback, rebuilds the catalogue
  EXPECT_EQ(Host().asked, (std::vector<std::int32_t>{23, 57}));
}

TEST_F(EntryLibraryTest, ControlCommandsReturnFalseWithAnEmptyText) {
  const std::vector<std::vector<host_param>> commands = {
      {Int(1000), Int(0)},
      {Int(1000), Int(1)},
      {Int(1000), Int(1), Text("/var/lib/station")},
      {Int(1000), Int(0), Text("/var/lib/station"), Text("АЗС 1"), Int(1)},
      {Text("1000"), Int(0)},
  };
  for (const auto& command : commands) {
    HostText text("left over");
    EXPECT_EQ(Call('#', command, text), 0);
    EXPECT_TRUE(text.IsNull());
  }
}

TEST_F(EntryLibraryTest, HashWithAnotherNumberIsNoControlCommand) {
  Library().init_(nullptr, &HostCallback, nullptr);
  HostText text("left over");
  EXPECT_EQ(Call('#', {Int(5)}, text), 0);
  EXPECT_NE(text.Text(), "left over");
}

// Parameters a host must not send: a false result and the documented text, never a crash.
TEST_F(EntryLibraryTest, BadParamsComeBackAsTheExportReportText) {
  kvr_variant element;
  kvr_variant_init(&element);
  kvr_variant_set_i4(&element, 1000);
  kvr_array descriptor = SingleVariantDescriptor(&element);

  struct Case {
    const char* name;
    kvr_variant params;
    std::string message;  // the end of the text after the prefix
  };
  auto make = [](kvr_vartype vt, auto&& setter) {
    kvr_variant v;
    kvr_variant_init(&v);
    v.vt = vt;
    setter(v);
    return v;
  };
  kvr_array three_dims = descriptor;
  three_dims.dims = 3;
  kvr_array no_data = descriptor;
  no_data.data = nullptr;
  const Case cases[] = {
      {"not an array", make(KVR_VT_I4, [](kvr_variant& v) { v.value.i4 = 1000; }),
       "Variant is not an array"},
      {"empty", make(KVR_VT_EMPTY, [](kvr_variant&) {}), "Variant is not an array"},
      {"missing element 1",
       make(KVR_VT_ARRAY | KVR_VT_VARIANT, [&](kvr_variant& v) { v.value.array = &descriptor; }),
       "Variant or safe array index out of bounds"},
      {"unknown type code", make(0x4003, [](kvr_variant&) {}), "Invalid variant type"},
      {"three dimensions",
       make(KVR_VT_ARRAY | KVR_VT_VARIANT, [&](kvr_variant& v) { v.value.array = &three_dims; }),
       "Invalid variant type"},
      {"array pointer into nowhere",
       make(KVR_VT_ARRAY | KVR_VT_VARIANT,
            [](kvr_variant& v) { v.value.array = reinterpret_cast<kvr_array*>(0x10); }),
       "Access violation: read of address 0x10"},
      {"array without data",
       make(KVR_VT_ARRAY | KVR_VT_VARIANT, [&](kvr_variant& v) { v.value.array = &no_data; }),
       "Access violation: read of address 0x0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostText text;
    EXPECT_EQ(Library().get_('#', c.params, text.Slot()), 0);
    EXPECT_EQ(text.Text(), kExportFailure + c.message);
  }

  HostText text;
  EXPECT_EQ(Call('#', {Text("abc")}, text), 0);
  EXPECT_EQ(text.Text(),
            kExportFailure + "Could not convert variant of type (String) into type (Integer)");
  EXPECT_EQ(Call('#', {Int(1000), Int(0), Text("d"), Text("s"), Text("not a number")}, text), 0);
  EXPECT_EQ(text.Text(),
            kExportFailure + "Could not convert variant of type (String) into type (Integer)");
  kvr_variant not_an_array;
  kvr_variant_init(&not_an_array);
  EXPECT_EQ(Library().get_('#', not_an_array, nullptr), 0);  // no text variable at all
}

// A host whose answers make no sense: the library keeps working.
TEST_F(EntryLibraryTest, GarbageAnswersNeverCrash) {
  static const char kNotAnObject[32] = "just some bytes";
  const Answer garbage[] = {
      AnswerRaw(KVR_VT_BSTR, 0x10),  AnswerRaw(KVR_VT_ARRAY | KVR_VT_VARIANT, 0x20),
      AnswerRaw(0x7FFF, 0xDEADBEEF), AnswerRaw(KVR_VT_I8, 0x1000),
      AnswerPointer(kNotAnObject),   AnswerInteger(-1),
  };
  for (const Answer& answer : garbage) {
    Host().Reset();
    for (std::int32_t code : {5, 8, 13, 17, 23, 46, 57}) Host().answers[code] = answer;
    Library().init_(nullptr, &HostCallback, nullptr);
    HostText text;
    EXPECT_EQ(Call('#', {Int(1000), Int(0)}, text), 0);
    EXPECT_TRUE(text.IsNull());
    EXPECT_EQ(Call('8', {Int(0)}, text), 0);
  }
}

}  // namespace
}  // namespace kvr::test
