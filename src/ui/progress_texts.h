// The texts a progress viewer shows (Windows-1251), in the order the unit declares them.
#pragma once

#include <array>
#include <string_view>

#include "common/text.h"

namespace kvr::ui {

using namespace kvr::literals;

inline constexpr std::string_view kDefaultCaption = "Ваше приложение"_w;
inline constexpr std::string_view kCancelButtonText = "Отмена (Esc)"_w;
// The message of an operation the user stopped.
inline constexpr std::string_view kCancelledByUser = "Прервано пользователем!"_w;
inline constexpr std::string_view kNoticeFirstLine = "Выполняется длительная операция. Она может"_w;
inline constexpr std::string_view kNoticeSecondLine =
    "продлиться несколько минут. Пожалуйста, подождите!"_w;
// Format text: %s is the elapsed time.
inline constexpr std::string_view kElapsedTimeFormat = "Общее время: %s"_w;
inline constexpr std::string_view kFontFace = "MS Sans Serif";

inline constexpr std::array<std::string_view, 7> kProgressViewerTexts{
    kDefaultCaption,   kCancelButtonText,  kCancelledByUser, kNoticeFirstLine,
    kNoticeSecondLine, kElapsedTimeFormat, kFontFace};

}  // namespace kvr::ui
