#include "entry/control_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/text.h"
#include "entry/host_context.h"
#include "entry/payment_catalogue.h"
#include "entry_test_support.h"
#include "host_params.h"
#include "kvr/host_abi.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

using namespace kvr::literals;

class ControlCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheHostContext() = HostContext{};
    HostContext& context = TheHostContext();
    context.database_dir = "old dir";
    context.station_name = "old station";
    context.sale_log_mode = 7;
    Host().Reset();
  }
  void TearDown() override {
    TheHostContext() = HostContext{};
    ReleasePaymentCatalogue();
  }

  // Calls the entry point with code '#' and the given elements; returns the result.
  std::int32_t Send(const std::vector<host_param>& elements, HostText& text, char code = '#') {
    kvr_variant params =
        host_params_array(elements.data(), static_cast<std::uint32_t>(elements.size()));
    std::int32_t result = GetReportsInStringEx(code, params, text.Slot());
    kvr_variant_clear(&params);
    return result;
  }
};

host_param Int(std::int64_t v) { return host_param{HP_INT, v, nullptr, 0}; }
host_param Text(const char* utf8) { return host_param{HP_TEXT, 0, utf8, 0}; }

TEST_F(ControlCommandTest, ElementOneZeroAllowsOfficeReportsAndLeavesTheRest) {
  HostText text("stale");
  EXPECT_EQ(Send({Int(1000), Int(0)}, text), 0);
  EXPECT_TRUE(text.IsNull());  // the old text is freed, the new one is empty
  const HostContext& context = TheHostContext();
  EXPECT_TRUE(context.office_reports_allowed);
  EXPECT_EQ(context.database_dir, "old dir");
  EXPECT_EQ(context.station_name, "old station");
  EXPECT_EQ(context.sale_log_mode, 7);

  EXPECT_EQ(Send({Int(1000), Int(1)}, text), 0);
  EXPECT_TRUE(text.IsNull());
  EXPECT_FALSE(context.office_reports_allowed);
}

TEST_F(ControlCommandTest, ElementOneComparedAsAVariant) {
  struct Case {
    host_param element;
    bool allowed;
  };
  const Case cases[] = {{Text("0"), true},
                        {Text(" 0 "), true},
                        {Int(2), false},
                        {host_param{HP_FLOAT, 0, nullptr, 0.0}, true},
                        {host_param{HP_BOOL, 0, nullptr, 0}, true},
                        {host_param{HP_NULL, 0, nullptr, 0}, false},
                        {host_param{HP_EMPTY, 0, nullptr, 0}, true}};
  for (const Case& c : cases) {
    HostText text;
    TheHostContext().office_reports_allowed = !c.allowed;
    EXPECT_EQ(Send({Int(1000), c.element}, text), 0);
    EXPECT_EQ(TheHostContext().office_reports_allowed, c.allowed);
    EXPECT_TRUE(text.IsNull());
  }
}

TEST_F(ControlCommandTest, PresentElementsSetTheirOptionsOnly) {
  HostText text;
  EXPECT_EQ(Send({Int(1000), Int(1), Text("D:\\Base")}, text), 0);
  EXPECT_EQ(TheHostContext().database_dir, "D:\\Base");
  EXPECT_EQ(TheHostContext().station_name, "old station");
  EXPECT_EQ(TheHostContext().sale_log_mode, 7);

  EXPECT_EQ(Send({Int(1000), Int(0), Text(""), Text("АЗС №5"), Text("1")}, text), 0);
  EXPECT_EQ(TheHostContext().database_dir, "");
  EXPECT_EQ(TheHostContext().station_name, W("АЗС №5"));
  EXPECT_EQ(TheHostContext().sale_log_mode, 1);
  EXPECT_TRUE(text.IsNull());
}

TEST_F(ControlCommandTest, OtherHashCommandsAreNoControlCommands) {
  // '#' with 5 takes the report path (an unknown report, or the export creator's failure when
  // no station database is reachable): false, and no option changes.
  HostText text("stale");
  TheHostContext().callback = &HostCallback;
  EXPECT_EQ(Send({Int(5), Int(0), Text("elsewhere")}, text), 0);
  EXPECT_FALSE(TheHostContext().office_reports_allowed);
  EXPECT_EQ(TheHostContext().database_dir, "old dir");
  EXPECT_NE(text.Text(), "stale");  // the text was set anew
}

TEST_F(ControlCommandTest, FailuresComeBackAsTheExportReportText) {
  const std::string prefix(std::string("Ошибка при формировании экспортного отчета: "_w));
  struct Case {
    std::vector<host_param> elements;
    std::string message;
  };
  const Case cases[] = {
      {{Int(1000)}, "Variant or safe array index out of bounds"},
      {{}, "Variant or safe array index out of bounds"},
      {{Text("abc")}, "Could not convert variant of type (String) into type (Integer)"},
      {{host_param{HP_NULL, 0, nullptr, 0}},
       "Could not convert variant of type (Null) into type (Integer)"},
      {{Int(1000), Int(0), Text("d"), Text("s"), Text("x")},
       "Could not convert variant of type (String) into type (Integer)"},
  };
  for (const Case& c : cases) {
    HostText text("stale");
    EXPECT_EQ(Send(c.elements, text), 0);
    EXPECT_EQ(text.Text(), prefix + c.message);
  }
  // The elements before the failing one were applied, as they are applied in order.
  EXPECT_EQ(TheHostContext().station_name, "s");
}

TEST_F(ControlCommandTest, ParamsThatAreNoArray) {
  HostText text;
  kvr_variant params;
  kvr_variant_init(&params);
  kvr_variant_set_i4(&params, 1000);
  EXPECT_EQ(GetReportsInStringEx('#', params, text.Slot()), 0);
  EXPECT_EQ(text.Text(), std::string("Ошибка при формировании экспортного отчета: "_w) +
                             "Variant is not an array");
}

TEST_F(ControlCommandTest, TextElementZeroOfThousandIsAControlCommand) {
  HostText text;
  EXPECT_EQ(Send({Text("1000"), Int(0)}, text), 0);
  EXPECT_TRUE(TheHostContext().office_reports_allowed);
  EXPECT_FALSE(IsControlCommand('0', Variant(5)));  // other codes never look at params
}

}  // namespace
}  // namespace kvr::test
