// IBStrings: the string lists of the Firebird components, a database's parameter list of
// "name=value" lines and a dataset's SQL text. Text() joins the lines with "\r\n" after each
// one; SetText splits at "\r\n", "\n" or "\r". Names in Values are compared without regard to
// letter case (Windows-1251).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvr {

class IBStrings {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_.at(index); }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }

  void Add(std::string_view line);
  void Clear();
  std::string Text() const;
  void SetText(std::string_view text);

  // The value of the first "name=value" line with that name, or empty.
  std::string Values(std::string_view name) const;
  // Replaces the first line with that name, or appends one; an empty value removes the line.
  void SetValues(std::string_view name, std::string_view value);

  // Called after every change (a dataset forgets its prepared statement when its SQL changes).
  std::function<void()> OnChange;

 private:
  int IndexOfName(std::string_view name) const;
  void Changed();
  std::vector<std::string> lines_;
};

}  // namespace kvr
