// The progress viewer's window procedure, message by message, and its painting.
#include "ui/progress_viewer_window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "common/exceptions.h"
#include "ui/canvas.h"
#include "ui/painting.h"
#include "ui/progress_viewer.h"
#include "ui/window_messages.h"

namespace kvr::ui {
namespace {

namespace msg = message;

constexpr LResult kDefaultAnswer = 0x5EED;
constexpr WindowHandle kViewer = 0x4001;
constexpr WindowHandle kStranger = 0x4002;
constexpr LParam kCancelButton = 0x4003;

class ViewerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeProgressViewer();
    state_ = std::make_shared<ProgressState>();
    state_->on_cancel = [this](ProgressState&) { ++handler_calls_; };
    ProgressViewers()->Add(kViewer, state_);
    SetDefaultWindowProcedureHook([this](WindowHandle w, MessageId m, WParam wp, LParam lp) {
      passed_on_.push_back({w, m, wp, lp});
      return kDefaultAnswer;
    });
    ClearPaintJournal();
    open_contexts_ = OpenDeviceContextCount();
  }
  void TearDown() override {
    SetDefaultWindowProcedureHook(nullptr);
    SetDeviceContextsExhausted(false);
    FinalizeProgressViewer();
    Message quit;
    while (PeekMessage(quit, true)) {
    }
  }

  // Everything a painting took has been given back.
  void ExpectNothingHeld() {
    EXPECT_EQ(OpenDeviceContextCount(), open_contexts_);
    EXPECT_EQ(Canvas::LiveCount(), 0u);
    EXPECT_EQ(Canvas::LockedCount(), 0u);
  }

  static std::vector<PaintStep> Steps(WindowHandle window) {
    std::vector<PaintStep> steps;
    for (const PaintRecord& r : PaintJournal(window)) steps.push_back(r.step);
    return steps;
  }

  std::shared_ptr<ProgressState> state_;
  int handler_calls_ = 0;
  std::vector<Message> passed_on_;
  std::size_t open_contexts_ = 0;
};

TEST_F(ViewerWindow, AnswersEachMessageAsTheTableSays) {
  struct Case {
    const char* what;
    WindowHandle window;
    MessageId message;
    WParam wparam;
    LParam lparam;
    LResult result;
    bool cancels;
    bool passed_on;
  };
  const Case cases[] = {
      {"Esc in a viewer", kViewer, msg::kKeyDown, 27, 0, 0, true, false},
      {"Esc in a stranger", kStranger, msg::kKeyDown, 27, 0, 0, false, false},
      {"Enter is swallowed", kViewer, msg::kKeyDown, kVirtualKeyReturn, 0, 0, false, false},
      {"letter is swallowed", kViewer, msg::kKeyDown, 'A', 0, 0, false, false},
      {"button click in a viewer", kViewer, msg::kCommand, 1, kCancelButton, 0, true, false},
      {"button click in a stranger", kStranger, msg::kCommand, 1, kCancelButton, 0, false, false},
      {"menu command (no control)", kViewer, msg::kCommand, 1, 0, 0, false, false},
      {"close is ignored", kViewer, msg::kClose, 0, 0, 0, false, false},
      {"paint request without picture", kViewer, kPaintPictureMessage, 0, 9, kDefaultAnswer, false,
       true},
      {"system paint", kViewer, msg::kPaint, 0, 0, kDefaultAnswer, false, true},
      {"unknown message", kViewer, 0x7FFF, 0x12, -5, kDefaultAnswer, false, true},
      {"unknown message in a stranger", kStranger, 0x0402, 1, 2, kDefaultAnswer, false, true},
  };
  for (const Case& c : cases) {
    state_->cancelled = false;
    handler_calls_ = 0;
    passed_on_.clear();
    EXPECT_EQ(ProgressViewerWindowProcedure(c.window, c.message, c.wparam, c.lparam), c.result)
        << c.what;
    EXPECT_EQ(state_->cancelled.load(), c.cancels) << c.what;
    EXPECT_EQ(handler_calls_, c.cancels ? 1 : 0) << c.what;
    if (c.passed_on) {
      ASSERT_EQ(passed_on_.size(), 1u) << c.what;
      EXPECT_EQ(passed_on_[0].window, c.window) << c.what;
      EXPECT_EQ(passed_on_[0].id, c.message) << c.what;
      EXPECT_EQ(passed_on_[0].wparam, c.wparam) << c.what;
      EXPECT_EQ(passed_on_[0].lparam, c.lparam) << c.what;
    } else {
      EXPECT_TRUE(passed_on_.empty()) << c.what;
    }
  }
  Message quit;
  EXPECT_FALSE(PeekMessage(quit, false)) << "only WM_DESTROY ends the loop";
}

TEST_F(ViewerWindow, DestroyEndsTheMessageLoop) {
  EXPECT_EQ(ProgressViewerWindowProcedure(kViewer, msg::kDestroy, 0, 0), 0);
  Message quit;
  ASSERT_TRUE(PeekMessage(quit, true));
  EXPECT_EQ(quit.id, msg::kQuit);
  EXPECT_EQ(quit.wparam, 0u);
  EXPECT_TRUE(passed_on_.empty());
  EXPECT_FALSE(state_->cancelled) << "closing the viewer is no cancel";
}

TEST_F(ViewerWindow, FailingCancelHandlerLeavesTheFlagSetAndTheWindowWorking) {
  int attempts = 0;
  state_->on_cancel = [&](ProgressState&) {
    ++attempts;
    if (attempts == 1) throw EDatabaseError("connection lost");
    if (attempts == 2) throw std::runtime_error("not ours");
    throw 42;
  };
  for (int i = 0; i < 3; ++i) {
    state_->cancelled = false;
    EXPECT_EQ(ProgressViewerWindowProcedure(kViewer, msg::kKeyDown, 27, 0), 0);
    EXPECT_TRUE(state_->cancelled);
  }
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(ProgressViewerWindowProcedure(kViewer, 0x7001, 0, 0), kDefaultAnswer);
}

TEST_F(ViewerWindow, NoViewerIsCancelledAfterUnload) {
  FinalizeProgressViewer();
  EXPECT_EQ(ProgressViewerWindowProcedure(kViewer, msg::kKeyDown, 27, 0), 0);
  EXPECT_EQ(ProgressViewerWindowProcedure(kViewer, msg::kCommand, 0, kCancelButton), 0);
  EXPECT_FALSE(state_->cancelled);
}

// A graphic that notes where it was drawn, or fails to draw.
class Sketch : public Graphic {
 public:
  explicit Sketch(bool fails) : fails_(fails) {}
  int Width() const override { return 320; }
  int Height() const override { return 120; }
  void Draw(Canvas&, const Rect& destination) const override {
    if (fails_) throw EInvalidOperation("Out of system resources");
    drawn_into.push_back(destination);
  }
  mutable std::vector<Rect> drawn_into;

 private:
  bool fails_;
};

LResult Paint(WindowHandle window, const Picture& picture) {
  return ProgressViewerWindowProcedure(window, kPaintPictureMessage,
                                       reinterpret_cast<WParam>(&picture), 0);
}

TEST_F(ViewerWindow, PaintsThePictureAtTheOriginAndGivesEverythingBack) {
  auto sketch = std::make_unique<Sketch>(false);
  const Sketch* drawn = sketch.get();
  Picture picture(std::move(sketch));

  EXPECT_EQ(Paint(kViewer, picture), 0);
  const std::vector<PaintStep> expected = {
      PaintStep::kBeginPaint, PaintStep::kGetDC,        PaintStep::kCanvasLock, PaintStep::kDraw,
      PaintStep::kReleaseDC,  PaintStep::kCanvasUnlock, PaintStep::kEndPaint};
  EXPECT_EQ(Steps(kViewer), expected);
  ASSERT_EQ(drawn->drawn_into.size(), 1u);
  EXPECT_EQ(drawn->drawn_into[0], (Rect{0, 0, 320, 120}));
  EXPECT_EQ(PaintJournal(kViewer)[3].graphic, drawn);
  EXPECT_TRUE(passed_on_.empty());
  ExpectNothingHeld();
}

TEST_F(ViewerWindow, FailedDrawingStillGivesEverythingBack) {
  Picture picture(std::make_unique<Sketch>(true));
  LResult result = -1;
  EXPECT_NO_THROW(result = Paint(kStranger, picture));
  EXPECT_EQ(result, 0);
  const std::vector<PaintStep> expected = {
      PaintStep::kBeginPaint, PaintStep::kGetDC,        PaintStep::kCanvasLock, PaintStep::kDraw,
      PaintStep::kReleaseDC,  PaintStep::kCanvasUnlock, PaintStep::kEndPaint};
  EXPECT_EQ(Steps(kStranger), expected);
  ExpectNothingHeld();
}

TEST_F(ViewerWindow, NoDeviceContextLeft) {
  SetDeviceContextsExhausted(true);
  Picture picture(std::make_unique<Sketch>(false));
  EXPECT_EQ(Paint(kViewer, picture), 0);
  EXPECT_EQ(Steps(kViewer), (std::vector<PaintStep>{PaintStep::kBeginPaint, PaintStep::kEndPaint}));
  ExpectNothingHeld();
}

TEST_F(ViewerWindow, PictureWithoutGraphicDrawsNothing) {
  Picture picture;
  EXPECT_EQ(Paint(kViewer, picture), 0);
  const std::vector<PaintStep> expected = {PaintStep::kBeginPaint,   PaintStep::kGetDC,
                                           PaintStep::kCanvasLock,   PaintStep::kReleaseDC,
                                           PaintStep::kCanvasUnlock, PaintStep::kEndPaint};
  EXPECT_EQ(Steps(kViewer), expected);
  ExpectNothingHeld();
}

}  // namespace
}  // namespace kvr::ui
