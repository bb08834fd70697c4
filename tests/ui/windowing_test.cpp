// The windowing stand-in: class registry, quit messages, device contexts,
// canvas and the default window procedure.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/exceptions.h"
#include "platform/system_error.h"
#include "ui/canvas.h"
#include "ui/painting.h"
#include "ui/window_class.h"
#include "ui/window_messages.h"

namespace kvr::ui {

using platform::GetLastError;
using platform::kErrorInvalidParameter;
using platform::SetLastError;

namespace {

LResult AnswerSeven(WindowHandle, MessageId, WParam, LParam) noexcept { return 7; }

WindowClass SampleClass(std::string name, InstanceHandle instance) {
  WindowClass c;
  c.style = kClassVRedraw;
  c.procedure = &AnswerSeven;
  c.instance = instance;
  c.icon = LoadSystemIcon(kIconApplication);
  c.cursor = LoadSystemCursor(kCursorArrow);
  c.background = SystemColorBrush(kColorWindow);
  c.menu_name = "MAINMENU";
  c.class_name = std::move(name);
  return c;
}

TEST(WindowClassRegistry, ClassBelongsToItsInstanceAndNameIgnoresCase) {
  const InstanceHandle module_a = 0xA000, module_b = 0xB000;
  ASSERT_NE(RegisterWindowClass(SampleClass("SampleWindowClass", module_a)), 0);

  std::optional<WindowClass> found = FindWindowClass("samplewindowclass", module_a);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->procedure, &AnswerSeven);
  EXPECT_EQ(found->menu_name, "MAINMENU");
  EXPECT_EQ(found->background, 6u);

  EXPECT_EQ(RegisterWindowClass(SampleClass("SAMPLEWINDOWCLASS", module_a)), 0);
  EXPECT_EQ(GetLastError(), kErrorClassAlreadyExists);
  EXPECT_FALSE(FindWindowClass("SampleWindowClass", module_b));
  EXPECT_NE(RegisterWindowClass(SampleClass("SampleWindowClass", module_b)), 0);

  EXPECT_TRUE(UnregisterWindowClass("SampleWindowClass", module_a));
  EXPECT_FALSE(UnregisterWindowClass("SampleWindowClass", module_a));
  EXPECT_EQ(GetLastError(), kErrorClassDoesNotExist);
  EXPECT_TRUE(FindWindowClass("SampleWindowClass", module_b)) << "other instance's class kept";
  EXPECT_TRUE(UnregisterWindowClass("SampleWindowClass", module_b));
}

TEST(WindowClassRegistry, RefusesIncompleteClasses) {
  struct Case {
    const char* what;
    void (*spoil)(WindowClass&);
  };
  const Case cases[] = {
      {"empty name", [](WindowClass& c) { c.class_name.clear(); }},
      {"name over 255", [](WindowClass& c) { c.class_name.assign(256, 'N'); }},
      {"no procedure", [](WindowClass& c) { c.procedure = nullptr; }},
      {"negative class bytes", [](WindowClass& c) { c.class_extra_bytes = -1; }},
      {"negative window bytes", [](WindowClass& c) { c.window_extra_bytes = -4; }},
  };
  for (const Case& test : cases) {
    WindowClass c = SampleClass("RefusedClass", 0xC000);
    test.spoil(c);
    SetLastError(0);
    EXPECT_EQ(RegisterWindowClass(c), 0) << test.what;
    EXPECT_EQ(GetLastError(), kErrorInvalidParameter) << test.what;
  }
  EXPECT_FALSE(FindWindowClass("RefusedClass", 0xC000));
  WindowClass longest = SampleClass(std::string(255, 'N'), 0xC000);
  EXPECT_NE(RegisterWindowClass(longest), 0) << "255 characters is the limit, not past it";
  UnregisterWindowClass(longest.class_name, 0xC000);
}

TEST(SystemResources, KnownIdentifiersHaveDistinctHandles) {
  EXPECT_NE(LoadSystemIcon(kIconApplication), 0u);
  EXPECT_NE(LoadSystemCursor(kCursorArrow), 0u);
  EXPECT_NE(LoadSystemIcon(kIconApplication), LoadSystemCursor(kCursorArrow));
  EXPECT_EQ(LoadSystemIcon(1), 0u);
  EXPECT_EQ(GetLastError(), kErrorResourceNameNotFound);
  EXPECT_EQ(LoadSystemCursor(32517), 0u);  // an icon identifier, no cursor
}

TEST(MessageQueue, QuitBelongsToTheThreadThatPostedIt) {
  Message m;
  ASSERT_FALSE(PeekMessage(m, true));
  PostQuitMessage(3);
  bool seen_elsewhere = true;
  std::thread([&] { seen_elsewhere = PeekMessage(m, true); }).join();
  EXPECT_FALSE(seen_elsewhere);

  ASSERT_TRUE(PeekMessage(m, false));
  EXPECT_EQ(m.id, message::kQuit);
  EXPECT_EQ(m.wparam, 3u);
  ASSERT_TRUE(PeekMessage(m, true)) << "peeking without removing leaves it";
  EXPECT_FALSE(PeekMessage(m, true)) << "seen once";
}

TEST(DefaultWindowProcedure, AnswersZeroOrTheHooksAnswer) {
  EXPECT_EQ(DefaultWindowProcedure(1, 0x1234, 5, 6), 0);
  SetDefaultWindowProcedureHook([](WindowHandle w, MessageId m, WParam wp, LParam lp) {
    return static_cast<LResult>(w + m + wp + lp);
  });
  EXPECT_EQ(DefaultWindowProcedure(1, 0x1000, 5, 6), 0x100C);
  SetDefaultWindowProcedureHook([](WindowHandle, MessageId, WParam, LParam) -> LResult {
    throw std::runtime_error("hook failed");
  });
  EXPECT_EQ(DefaultWindowProcedure(1, 0x1000, 5, 6), 0);
  SetDefaultWindowProcedureHook(nullptr);
  EXPECT_EQ(DefaultWindowProcedure(1, 0x1000, 5, 6), 0);
}

TEST(DeviceContexts, EachContextIsGivenBackOnceToItsOwnCall) {
  const WindowHandle window = 0x5101, other = 0x5102;
  const std::size_t open_before = OpenDeviceContextCount();

  PaintStruct paint;
  DeviceContext painting = BeginPaint(window, paint);
  DeviceContext drawing = GetDC(window);
  ASSERT_NE(painting, 0u);
  ASSERT_NE(drawing, 0u);
  EXPECT_NE(painting, drawing);
  EXPECT_EQ(WindowFromDC(drawing), window);
  EXPECT_EQ(OpenDeviceContextCount(), open_before + 2);

  EXPECT_FALSE(ReleaseDC(other, drawing)) << "not that window's context";
  EXPECT_FALSE(ReleaseDC(window, painting)) << "a painting is ended, not released";
  EXPECT_TRUE(ReleaseDC(window, drawing));
  EXPECT_FALSE(ReleaseDC(window, drawing)) << "released twice";
  EXPECT_TRUE(EndPaint(window, paint));
  EXPECT_FALSE(EndPaint(window, paint)) << "ended twice";
  EXPECT_EQ(OpenDeviceContextCount(), open_before);

  EXPECT_EQ(BeginPaint(0, paint), 0u);
  EXPECT_EQ(GetLastError(), kErrorInvalidWindowHandle);

  SetDeviceContextsExhausted(true);
  EXPECT_EQ(GetDC(window), 0u);
  SetDeviceContextsExhausted(false);
  EXPECT_EQ(OpenDeviceContextCount(), open_before);
}

TEST(PaintJournal, KeepsTheLatestStepsOnly) {
  ClearPaintJournal();
  const WindowHandle window = 0x5201;
  for (std::size_t i = 0; i < kPaintJournalCapacity + 10; ++i) {
    RecordPaintStep({window, PaintStep::kDraw, 1, static_cast<int>(i), 0, nullptr});
  }
  std::vector<PaintRecord> steps = PaintJournal(window);
  ASSERT_EQ(steps.size(), kPaintJournalCapacity);
  EXPECT_EQ(steps.front().x, 10);
  EXPECT_EQ(steps.back().x, static_cast<int>(kPaintJournalCapacity + 9));
  ClearPaintJournal();
  EXPECT_TRUE(PaintJournal(window).empty());
}

class Box : public Graphic {
 public:
  Box(int width, int height) : width_(width), height_(height) {}
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void Draw(Canvas&, const Rect& destination) const override { drawn_into = destination; }
  mutable std::optional<Rect> drawn_into;

 private:
  int width_, height_;
};

TEST(Canvas, DrawsOnlyThroughAContext) {
  ClearPaintJournal();
  const WindowHandle window = 0x5301;
  Canvas canvas;
  Box box(40, 30);
  try {
    canvas.Draw(0, 0, &box);
    FAIL() << "drew without a context";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Canvas does not allow drawing");
  }
  Box empty(0, 30);
  EXPECT_NO_THROW(canvas.Draw(0, 0, &empty)) << "nothing to draw needs no context";
  EXPECT_NO_THROW(canvas.Draw(0, 0, nullptr));

  DeviceContext dc = GetDC(window);
  canvas.SetHandle(dc);
  canvas.Draw(5, 7, &box);
  ASSERT_TRUE(box.drawn_into);
  EXPECT_EQ(*box.drawn_into, (Rect{5, 7, 45, 37}));
  std::vector<PaintRecord> steps = PaintJournal(window);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[1].step, PaintStep::kDraw);
  EXPECT_EQ(steps[1].graphic, &box);
  EXPECT_EQ(steps[1].dc, dc);

  Box huge(2'000'000'000, 1);
  canvas.Draw(1'000'000'000, 0, &huge);
  EXPECT_EQ(huge.drawn_into->right, std::numeric_limits<int>::max());
  ReleaseDC(window, dc);
}

}  // namespace
}  // namespace kvr::ui
