#include "entry/payment_catalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "entry/host_context.h"
#include "entry_test_support.h"
#include "kvr/host_abi.h"
#include "platform/ui_sinks.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

class PaymentCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheHostContext() = HostContext{};
    ReleasePaymentCatalogue();
    Host().Reset();
    beeps_ = 0;
    platform::SetBeepSink([this](std::uint32_t hz, std::uint32_t ms) {
      EXPECT_EQ(hz, 500u);
      EXPECT_EQ(ms, 100u);
      ++beeps_;
    });
  }
  void TearDown() override {
    platform::SetBeepSink(nullptr);
    ReleasePaymentCatalogue();
    TheHostContext() = HostContext{};
  }
  void InitWithHost() { InitReports(nullptr, &HostCallback, nullptr); }

  static std::vector<std::string> Row(int i) {
    const VariantArray& table = PaymentTypeTable().Array();
    std::vector<std::string> row;
    for (int c = 0; c <= 3; ++c) row.push_back(table.Get(i, c).AsText());
    return row;
  }
  static int Rows() { return PaymentTypeTable().Array().HighBound(1) + 1; }

  int beeps_ = 0;
};

using Row4 = std::vector<std::string>;

TEST_F(PaymentCatalogueTest, DefaultListWhenTheHostGivesNoArray) {
  Host().answers[57] = AnswerInteger(0);  // 23 stays unanswered (empty)
  InitWithHost();
  ASSERT_TRUE(PaymentTypeTable().IsArray());
  EXPECT_EQ(PaymentTypeTable().Type(), VT_ARRAY | VT_BSTR);
  EXPECT_EQ(Rows(), 13);
  EXPECT_EQ(Row(0), (Row4{W("Наличные"), "0", "0", "-1"}));
  EXPECT_EQ(Row(4), (Row4{W("Ведомость +"), "4", "4", "-1"}));
  EXPECT_EQ(Row(12), (Row4{W("ЛБР"), "12", "12", "-1"}));
  EXPECT_EQ(PaymentNames().Array().Get(1).AsText(), W("Платеж. терминал"));
  EXPECT_EQ(beeps_, 0);
  EXPECT_EQ(Host().asked, (std::vector<std::int32_t>{46, 23, 57}));
}

TEST_F(PaymentCatalogueTest, FifteenNamesAndATextObjectGiveCodeZeroAndTwoBeeps) {
  std::vector<std::string> names;
  for (int i = 0; i < 15; ++i) names.push_back("Type " + std::to_string(i));
  Host().answers[23] = AnswerNames(names);
  Host().answers[57] = AnswerText("no object");
  InitWithHost();
  ASSERT_EQ(Rows(), 15);
  EXPECT_EQ(Row(12), (Row4{"Type 12", "12", "12", "-1"}));
  EXPECT_EQ(Row(13), (Row4{"Type 13", "0", "0", "-1"}));
  EXPECT_EQ(Row(14), (Row4{"Type 14", "0", "0", "-1"}));
  EXPECT_EQ(beeps_, 2);
}

TEST_F(PaymentCatalogueTest, HostObjectSuppliesCodesAndCheckTypes) {
  TestCatalogue catalogue({{7, 0}, {150, 255}, {104, 3}, {-104, 1}});
  Host().answers[23] = AnswerNames({"A", "B", "C", "D"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  InitWithHost();
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Row(0), (Row4{"A", "7", "7", "0"}));
  EXPECT_EQ(Row(1), (Row4{"B", "150", "50", "255"}));
  EXPECT_EQ(Row(2), (Row4{"C", "104", "4", "3"}));
  EXPECT_EQ(Row(3), (Row4{"D", "-104", "-4", "1"}));
  EXPECT_EQ(catalogue.ItemCalls(), 8);  // the item is fetched anew for code and check type
  EXPECT_EQ(beeps_, 0);
}

TEST_F(PaymentCatalogueTest, AmpersandRemovedOnceAndEmptyNamesKept) {
  Host().answers[23] = AnswerNames({"&&Double", "", "&", "Plain&", "&Single"});
  InitWithHost();
  const VariantArray& names = PaymentNames().Array();
  EXPECT_EQ(names.Get(0).AsText(), "&Double");
  EXPECT_EQ(names.Get(1).AsText(), "");
  EXPECT_EQ(names.Get(2).AsText(), "");
  EXPECT_EQ(names.Get(3).AsText(), "Plain&");
  EXPECT_EQ(Row(4)[0], "Single");
}

TEST_F(PaymentCatalogueTest, NoCallbackLeavesTheCatalogueUnassigned) {
  InitReports(nullptr, nullptr, nullptr);
  EXPECT_TRUE(PaymentNames().IsEmpty());
  EXPECT_TRUE(PaymentTypeTable().IsEmpty());
  EXPECT_TRUE(Host().asked.empty());
}

TEST_F(PaymentCatalogueTest, UnusableCatalogueObjectsBeepAndFallBackToDefaults) {
  static const std::uint32_t kNotAnObject[4] = {0x12345678, 0, 0, 0};
  struct Case {
    const char* name;
    Answer answer;
  };
  const Case cases[] = {
      {"unmapped address", AnswerInteger(0x1000)},
      {"wrong magic", AnswerPointer(kNotAnObject)},
      {"negative integer", AnswerInteger(-5)},
      {"null", AnswerRaw(KVR_VT_NULL, 0)},
      {"invalid type code", AnswerRaw(99, 0)},
      {"unreadable text", AnswerRaw(KVR_VT_BSTR, 0x40)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Host().answers[23] = AnswerNames({"A", "B"});
    Host().answers[57] = c.answer;
    InitWithHost();
    ASSERT_TRUE(PaymentTypeTable().IsArray());
    EXPECT_EQ(Row(1), (Row4{"B", "1", "1", "-1"}));
    EXPECT_EQ(beeps_, 1);
  }
}

TEST_F(PaymentCatalogueTest, FailingHostObjectLeavesTheTableUnassigned) {
  TestCatalogue catalogue({{1, 1}, {2, 2}, {3, 3}});
  catalogue.RefuseFrom(1);
  Host().answers[23] = AnswerNames({"&A", "&B", "&C"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  InitWithHost();
  EXPECT_TRUE(PaymentTypeTable().IsEmpty());
  ASSERT_TRUE(PaymentNames().IsArray());
  EXPECT_EQ(PaymentNames().Array().Get(2).AsText(), "C");  // names keep their stripping
}

TEST_F(PaymentCatalogueTest, HostThatStopsAnsweringLeavesAnEmptyCatalogue) {
  Host().answers[23] = AnswerNames({"A"});
  InitWithHost();
  ASSERT_TRUE(PaymentTypeTable().IsArray());
  Host().answers[23] = AnswerRaw(KVR_VT_ARRAY | KVR_VT_VARIANT, 0x10);  // unreadable array
  BuildPaymentCatalogue();
  EXPECT_TRUE(PaymentNames().IsEmpty());
  EXPECT_TRUE(PaymentTypeTable().IsEmpty());
}

TEST_F(PaymentCatalogueTest, EmptyNameArrayGivesATableWithoutRows) {
  Host().answers[23] = AnswerNames({});
  InitWithHost();
  ASSERT_TRUE(PaymentTypeTable().IsArray());
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(PaymentTypeTable().Array().ElementCount(), 0u);
}

TEST_F(PaymentCatalogueTest, InitWithoutArgumentsRebuildsWithTheStoredCallback) {
  InitWithHost();
  Host().asked.clear();
  Host().answers[23] = AnswerNames({"Later"});
  InitReports(nullptr, nullptr, nullptr);
  EXPECT_EQ(Host().asked, (std::vector<std::int32_t>{23, 57}));  // no new question 46
  EXPECT_EQ(Row(0)[0], "Later");
}

TEST_F(PaymentCatalogueTest, HostKindThreeFromTheVariantComparison) {
  struct Case {
    const char* name;
    Answer answer;
    bool kind3;
  };
  const Case cases[] = {
      {"integer 3", AnswerInteger(3), true},
      {"text 3", AnswerText("3"), true},
      {"float 3", AnswerRaw(KVR_VT_R8, 0x4008000000000000ULL), true},
      {"integer 4", AnswerInteger(4), false},
      {"empty", nullptr, false},
      {"text that is no number", AnswerText("three"), false},
      {"garbage", AnswerRaw(KVR_VT_BSTR, 0x1234), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TheHostContext().host_kind3 = !c.kind3;
    Host().Reset();
    if (c.answer) Host().answers[46] = c.answer;
    InitWithHost();
    EXPECT_EQ(TheHostContext().host_kind3, c.kind3);
  }
}

// The table is made anew only when what the host answers changes; what it answers is asked on
// every build, so every change shows in the next catalogue.
TEST_F(PaymentCatalogueTest, SameAnswersKeepTheTableAndEveryChangeShowsInTheNext) {
  TestCatalogue catalogue({{7, 0}, {150, 255}, {104, 3}});
  Host().answers[23] = AnswerNames({"&A", "B", "C"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  InitWithHost();
  const VariantArray first = PaymentTypeTable().Array();
  BuildPaymentCatalogue();
  EXPECT_TRUE(PaymentTypeTable().Array().SameArray(first)) << "made anew for the same answers";
  EXPECT_EQ(catalogue.ItemCalls(), 12);  // the object is asked on every build

  struct Change {
    const char* what;
    std::function<void()> apply;
    Row4 row0, row2;
  };
  const Change changes[] = {
      {"a name",
       [] {
         Host().answers[23] = AnswerNames({"&A", "B", "C2"});
       },
       {"A", "7", "7", "0"},
       {"C2", "104", "4", "3"}},
      {"the same name without its '&'",
       [] {
         Host().answers[23] = AnswerNames({"A", "B", "C2"});
       },
       {"A", "7", "7", "0"},
       {"C2", "104", "4", "3"}},
      {"a code",
       [&] {
         catalogue.SetEntry(2, {-205, 3});
       },
       {"A", "7", "7", "0"},
       {"C2", "-205", "-5", "3"}},
      {"a check type",
       [&] {
         catalogue.SetEntry(0, {7, 9});
       },
       {"A", "7", "7", "9"},
       {"C2", "-205", "-5", "3"}},
      {"no object",
       [] { Host().answers[57] = AnswerInteger(0); },
       {"A", "0", "0", "-1"},
       {"C2", "2", "2", "-1"}},
      {"no names",
       [] { Host().answers.erase(23); },
       {W("Наличные"), "0", "0", "-1"},
       {W("Товарные карты"), "2", "2", "-1"}},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    c.apply();
    BuildPaymentCatalogue();
    ASSERT_TRUE(PaymentTypeTable().IsArray());
    EXPECT_EQ(Row(0), c.row0);
    EXPECT_EQ(Row(2), c.row2);
    const VariantArray built = PaymentTypeTable().Array();
    BuildPaymentCatalogue();
    EXPECT_TRUE(PaymentTypeTable().Array().SameArray(built));
    EXPECT_EQ(Row(2), c.row2);
  }
}

TEST_F(PaymentCatalogueTest, AKeptTableStillBeepsForRowsWithoutACode) {
  std::vector<std::string> names;
  for (int i = 0; i < 15; ++i) names.push_back("Type " + std::to_string(i));
  Host().answers[23] = AnswerNames(names);
  InitWithHost();
  BuildPaymentCatalogue();
  EXPECT_EQ(beeps_, 4);
  EXPECT_EQ(Row(14), (Row4{"Type 14", "0", "0", "-1"}));
}

TEST_F(PaymentCatalogueTest, AFailedBuildIsNotKept) {
  TestCatalogue catalogue({{1, 1}, {2, 2}});
  Host().answers[23] = AnswerNames({"A", "B"});
  Host().answers[57] = AnswerPointer(catalogue.Object());
  InitWithHost();
  catalogue.RefuseFrom(1);
  BuildPaymentCatalogue();
  EXPECT_TRUE(PaymentTypeTable().IsEmpty());
  catalogue.RefuseFrom(-1);
  BuildPaymentCatalogue();
  ASSERT_TRUE(PaymentTypeTable().IsArray());
  EXPECT_EQ(Row(1), (Row4{"B", "2", "2", "2"}));
  Host().answers.erase(57);
  Host().answers[23] = AnswerRaw(KVR_VT_ARRAY | KVR_VT_VARIANT, 0x10);  // unreadable array
  BuildPaymentCatalogue();
  EXPECT_TRUE(PaymentNames().IsEmpty());
  EXPECT_TRUE(PaymentTypeTable().IsEmpty());
}

}  // namespace
}  // namespace kvr::test
