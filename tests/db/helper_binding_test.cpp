#include "db/helper_binding.h"

#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "common/text.h"
#include "db/binding_test_util.h"
#include "platform/paths.h"

namespace kvr::db {
namespace {

using namespace kvr::literals;

struct NameCase {
  std::string host_path;
  std::string mutex_name;
};

class ConnectMutexNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ConnectMutexNameTest, FollowsTheHostPath) {
  EXPECT_EQ(ConnectMutexName(GetParam().host_path), GetParam().mutex_name);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ConnectMutexNameTest,
    ::testing::Values(NameCase{"C:\\MOLT\\Host.exe", "CorvaneMutexc__molt_host.exe"},
                      // doubled separators are reduced first, then each becomes '_'
                      NameCase{"C:\\\\MOLT\\\\Host.exe", "CorvaneMutexc__molt_host.exe"},
                      NameCase{"\\\\\\\\srv\\\\\\share\\A.EXE", "CorvaneMutex_srv_share_a.exe"},
                      NameCase{"C:\\a\"b*c/d<e>f?g|h.exe", "CorvaneMutexc__a_b_c_d_e_f_g_h.exe"},
                      NameCase{std::string("C:\\МОЛТ\\Хост.EXE"_w),
                               std::string("CorvaneMutexc__молт_хост.exe"_w)},
                      NameCase{"/opt/kvr/bin/kvrhost", "CorvaneMutex_opt_kvr_bin_kvrhost"}));

TEST(CreateNamedMutex, MakesAMutexOthersCanOpen) {
  std::uint32_t last_error = 12345;
  auto mutex = CreateNamedMutex("KvrBindingTestMutex", &last_error);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(mutex->Name(), "Global\\KvrBindingTestMutex");
  EXPECT_NE(last_error, 12345u);
  // Not initially owned: a second handle takes it at once.
  auto other = platform::NamedMutex::Open("KvrBindingTestMutex");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->Wait(platform::kNoTimeLimit), platform::WaitResult::kAcquired);
  EXPECT_TRUE(other->Release());
}

TEST(HelperBinding, LoadCountsAndUnloadClearsEverything) {
  EXPECT_FALSE(HelperLoaded());
  LoadHelperBindingFrom({"/nonexistent/libCorvane.so", test::kFullHelper});
  LoadHelperBindingFrom({test::kConnectOnlyHelper});  // a no-op: already loaded
  EXPECT_EQ(HelperLoadCount(), 2);
  ASSERT_TRUE(HelperLoaded());
  ASSERT_NE(ConnectMutex(), nullptr);
  EXPECT_EQ(ConnectMutex()->Name(), "Global\\" + ConnectMutexName(platform::HostExecutablePath()));
  EXPECT_EQ(ModuleName(), platform::ExtractFileName(platform::HostExecutablePath()));
  // The first load's library stays bound.
  EXPECT_NE(HelperProc(HelperFunction::GetFBPort), nullptr);
  UnloadHelperBinding();
  EXPECT_TRUE(HelperLoaded());
  UnloadHelperBinding();
  EXPECT_FALSE(HelperLoaded());
  EXPECT_EQ(ConnectMutex(), nullptr);
  EXPECT_EQ(ModuleName(), "");
  for (std::size_t i = 0; i < kHelperFunctionCount; ++i)
    EXPECT_EQ(HelperProc(static_cast<HelperFunction>(i)), nullptr);
  UnloadHelperBinding();  // an extra unload is harmless
  EXPECT_EQ(HelperLoadCount(), 0);
}

std::vector<std::string> BoundNames() {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < kHelperFunctionCount; ++i)
    if (HelperProc(static_cast<HelperFunction>(i)) != nullptr)
      names.push_back(kHelperFunctionNames[i]);
  return names;
}

TEST(HelperBinding, BindsWhatEachHelperExports) {
  {
    test::ScopedHelper helper(test::kFullHelper);
    EXPECT_EQ(BoundNames(),
              (std::vector<std::string>{"FBConnectDB", "FBDisconnectDB", "FBCreateTransaction",
                                        "FBCreateDataSetForRead", "FBCreateDataSetForRead2",
                                        "GetFBPassword", "GetFBPort"}));
  }
  {
    // A helper with only the connect functions loads without complaint.
    test::ScopedHelper helper(test::kConnectOnlyHelper);
    EXPECT_EQ(BoundNames(), (std::vector<std::string>{"FBConnectDB", "FBDisconnectDB"}));
  }
  {
    test::ScopedHelper helper(test::kWithoutRead2Helper);
    EXPECT_EQ(HelperProc(HelperFunction::FBCreateDataSetForRead2), nullptr);
    EXPECT_NE(HelperProc(HelperFunction::FBCreateDataSetForRead), nullptr);
  }
}

TEST(HelperBinding, StandardSearchLooksBesideTheModuleFirst) {
  const std::vector<std::string> candidates = HelperLibraryCandidates();
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0],
            platform::ExtractFilePath(platform::HostExecutablePath()) + kHelperLibraryFile);
  EXPECT_EQ(candidates[1], kHelperLibraryFile);
}

}  // namespace
}  // namespace kvr::db
