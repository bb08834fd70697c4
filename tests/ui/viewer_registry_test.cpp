// The viewer registry: windows and states stay paired, and two threads may use it at once.
#include "ui/viewer_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ui/progress_viewer.h"
#include "ui/progress_viewer_window.h"
#include "ui/window_types.h"

namespace kvr::ui {
namespace {

TEST(ViewerRegistry, EachWindowFindsItsOwnStateAfterRemovals) {
  ViewerRegistry registry;
  const WindowHandle windows[] = {0x11, 0x22, 0x33, 0x44};
  std::shared_ptr<ProgressState> states[4];
  for (int i = 0; i < 4; ++i) {
    states[i] = std::make_shared<ProgressState>();
    ASSERT_TRUE(registry.Add(windows[i], states[i]));
  }
  EXPECT_TRUE(registry.Remove(0x22));
  EXPECT_TRUE(registry.Remove(0x11));
  EXPECT_FALSE(registry.Remove(0x11));

  EXPECT_EQ(registry.Count(), 2u);
  EXPECT_EQ(registry.Find(0x11), nullptr);
  EXPECT_EQ(registry.Find(0x22), nullptr);
  EXPECT_EQ(registry.Find(0x33), states[2]);
  EXPECT_EQ(registry.Find(0x44), states[3]);
  EXPECT_EQ(registry.Find(0x55), nullptr);
}

TEST(ViewerRegistry, ReusedWindowHandleGetsTheNewState) {
  ViewerRegistry registry;
  auto old_state = std::make_shared<ProgressState>();
  auto new_state = std::make_shared<ProgressState>();
  registry.Add(0x70, old_state);
  registry.Add(0x70, new_state);
  EXPECT_EQ(registry.Count(), 1u);
  EXPECT_EQ(registry.Find(0x70), new_state);
  registry.Remove(0x70);
  EXPECT_EQ(registry.Find(0x70), nullptr) << "no stale entry behind the replaced one";
}

TEST(ViewerRegistry, RefusesNoWindowOrNoState) {
  ViewerRegistry registry;
  EXPECT_FALSE(registry.Add(0, std::make_shared<ProgressState>()));
  EXPECT_FALSE(registry.Add(0x80, nullptr));
  EXPECT_EQ(registry.Count(), 0u);
}

TEST(ViewerRegistry, StateLookedUpOutlivesItsRemoval) {
  ViewerRegistry registry;
  std::weak_ptr<ProgressState> watch;
  {
    auto state = std::make_shared<ProgressState>();
    watch = state;
    registry.Add(0x90, std::move(state));
  }
  std::shared_ptr<ProgressState> held = registry.Find(0x90);
  registry.Remove(0x90);
  ASSERT_FALSE(watch.expired());
  CancelProgress(*held);  // would touch freed memory if the registry had owned it alone
  EXPECT_TRUE(held->cancelled);
  held.reset();
  EXPECT_TRUE(watch.expired());
}

// The viewer's thread cancels through its window procedure while the operation's thread opens
// and closes another viewer and polls its own. Run under ThreadSanitizer (KVR_TSAN) as well.
TEST(ViewerRegistry, ViewerThreadAndOperationThreadAtOnce) {
  InitializeProgressViewer();
  ViewerRegistry& registry = *ProgressViewers();
  constexpr int kRounds = 20000;
  constexpr WindowHandle kSteadyWindow = 0xA1, kComingAndGoing = 0xA2;

  std::atomic<int> steady_cancels{0};
  std::atomic<int> passing_cancels{0};
  auto steady = std::make_shared<ProgressState>();
  steady->on_cancel = [&](ProgressState& s) {
    EXPECT_TRUE(s.cancelled.load());
    steady_cancels.fetch_add(1);
  };
  ASSERT_TRUE(registry.Add(kSteadyWindow, steady));

  std::thread viewer([&] {
    for (int i = 0; i < kRounds; ++i) {
      ProgressViewerWindowProcedure(kSteadyWindow, message::kKeyDown, kVirtualKeyEscape, 0);
      ProgressViewerWindowProcedure(kComingAndGoing, message::kCommand, 0, 0x77);
    }
  });
  std::thread operation([&] {
    for (int i = 0; i < kRounds; ++i) {
      auto passing = std::make_shared<ProgressState>();
      passing->on_cancel = [&](ProgressState&) { passing_cancels.fetch_add(1); };
      registry.Add(kComingAndGoing, std::move(passing));
      EXPECT_EQ(registry.Find(kSteadyWindow), steady);
      registry.Remove(kComingAndGoing);
    }
  });
  viewer.join();
  operation.join();

  EXPECT_EQ(steady_cancels.load(), kRounds);
  EXPECT_LE(passing_cancels.load(), kRounds);
  EXPECT_EQ(registry.Count(), 1u);
  FinalizeProgressViewer();
}

}  // namespace
}  // namespace kvr::ui
