#pragma once
#include <exception>
#include <string>
#include <utility>

#include "platform/message_box.h"

namespace hush {

// The uniform error report box of the procedures that carry it. A procedure names its location
// text and runs each numbered statement through Line(); a failure of the statement, or of anything
// it called that has no box of its own, shows the box under this procedure's location and the
// statement's number, and the procedure goes on as its own control flow says.
class ErrorReport {
 public:
  static constexpr const char* kCaption = "Application Error";
  static constexpr unsigned kStyle = 48;  // OK button with the exclamation icon

  ErrorReport(platform::IMessageBox& box, std::string location) : box_(box), location_(std::move(location)) {}

  // Runs one numbered statement; true when it finished, false when it failed and the box was shown.
  template <class Statement>
  bool Line(int number, Statement&& statement) {
    line_ = number;
    try {
      std::forward<Statement>(statement)();
      return true;
    } catch (const std::exception& failure) {
      Show(failure.what());
    } catch (...) {
      Show("Unknown error");
    }
    return false;
  }

  // A numbered test of a condition. A failing test counts as true, so the guarded statement runs.
  template <class Condition>
  bool Test(int number, Condition&& condition) {
    bool result = true;
    Line(number, [&] { result = std::forward<Condition>(condition)(); });
    return result;
  }

  int CurrentLine() const { return line_; }
  const std::string& Location() const { return location_; }

  static std::string Message(const std::string& description, const std::string& location, int line);
  static std::string LocationText(const std::string& module, const std::string& procedure);

 private:
  void Show(const std::string& description);

  platform::IMessageBox& box_;
  std::string location_;
  int line_ = 0;
};

}  // namespace hush
