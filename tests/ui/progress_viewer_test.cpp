// Loading and unloading the progress viewer unit: the window class and its registration flag,
// the registry's lifetime, the unit's texts.
#include "ui/progress_viewer.h"

#include <gtest/gtest.h>

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "platform/module_instance.h"
#include "ui/progress_texts.h"
#include "ui/progress_viewer_window.h"
#include "ui/window_class.h"

namespace kvr::ui {
namespace {

const char kThisModule = 0;

LResult ForeignProcedure(WindowHandle, MessageId, WParam, LParam) noexcept { return 0; }

class ProgressViewerUnit : public ::testing::Test {
 protected:
  void TearDown() override { FinalizeProgressViewer(); }
};

TEST_F(ProgressViewerUnit, LoadRegistersTheClassAsDescribed) {
  EXPECT_EQ(ProgressViewers(), nullptr);
  InitializeProgressViewer();
  EXPECT_TRUE(ProgressViewerClassRegistered());
  ASSERT_NE(ProgressViewers(), nullptr);
  EXPECT_EQ(ProgressViewers()->Count(), 0u);

  EXPECT_EQ(ProgressViewerInstance(), platform::ModuleInstance(&kThisModule))
      << "the class belongs to the module that holds the library";
  std::optional<WindowClass> c =
      FindWindowClass("ProgressViewerFormClass", ProgressViewerInstance());
  ASSERT_TRUE(c);
  EXPECT_EQ(c->style, 3u);
  EXPECT_EQ(c->procedure, &ProgressViewerWindowProcedure);
  EXPECT_EQ(c->class_extra_bytes, 0);
  EXPECT_EQ(c->window_extra_bytes, 0);
  EXPECT_EQ(c->icon, LoadSystemIcon(32512));
  EXPECT_EQ(c->cursor, LoadSystemCursor(32512));
  EXPECT_EQ(c->background, 6u);
  EXPECT_TRUE(c->menu_name.empty());
}

TEST_F(ProgressViewerUnit, ClassRegisteredBeforeLoadLeavesFlagTrueAndIsNotTakenAway) {
  WindowClass earlier;
  earlier.procedure = &ForeignProcedure;
  earlier.instance = ProgressViewerInstance();
  earlier.class_name = "PROGRESSVIEWERFORMCLASS";
  ASSERT_NE(RegisterWindowClass(earlier), 0);

  InitializeProgressViewer();
  EXPECT_TRUE(ProgressViewerClassRegistered());
  FinalizeProgressViewer();

  std::optional<WindowClass> kept =
      FindWindowClass("ProgressViewerFormClass", ProgressViewerInstance());
  ASSERT_TRUE(kept) << "unload removed a class it had not registered";
  EXPECT_EQ(kept->procedure, &ForeignProcedure);
  UnregisterWindowClass("ProgressViewerFormClass", ProgressViewerInstance());
}

TEST_F(ProgressViewerUnit, UnloadFreesRegistryAndClassSoThatALaterLoadStartsAfresh) {
  InitializeProgressViewer();
  InitializeProgressViewer();  // a second registration in the same process
  EXPECT_TRUE(ProgressViewerClassRegistered());
  ProgressViewers()->Add(0x10, std::make_shared<ProgressState>());
  InitializeProgressViewer();
  EXPECT_EQ(ProgressViewers()->Count(), 1u) << "loading again keeps open viewers";

  FinalizeProgressViewer();
  EXPECT_EQ(ProgressViewers(), nullptr);
  EXPECT_FALSE(ProgressViewerClassRegistered());
  EXPECT_FALSE(FindWindowClass("ProgressViewerFormClass", ProgressViewerInstance()));

  InitializeProgressViewer();
  EXPECT_TRUE(ProgressViewerClassRegistered());
  EXPECT_EQ(ProgressViewers()->Count(), 0u);
  EXPECT_TRUE(FindWindowClass("ProgressViewerFormClass", ProgressViewerInstance()));
}

TEST(ProgressViewerTexts, AreWindows1251InTheirOrder) {
  const char* const utf8[] = {
      "Ваше приложение",
      "Отмена (Esc)",
      "Прервано пользователем!",
      "Выполняется длительная операция. Она может",
      "продлиться несколько минут. Пожалуйста, подождите!",
      "Общее время: %s",
      "MS Sans Serif",
  };
  ASSERT_EQ(std::size(utf8), kProgressViewerTexts.size());
  for (std::size_t i = 0; i < kProgressViewerTexts.size(); ++i) {
    EXPECT_EQ(kProgressViewerTexts[i], codepage::Utf8ToCp1251(utf8[i])) << i;
  }
  EXPECT_EQ(static_cast<unsigned char>(kCancelButtonText[0]), 0xCE);  // 'О' in Windows-1251
  EXPECT_EQ(Format(kElapsedTimeFormat, {"00:01:05"}),
            codepage::Utf8ToCp1251("Общее время: 00:01:05"));
}

}  // namespace
}  // namespace kvr::ui
