// Process-level services: arguments, program path, application title, message boxes.
#pragma once

#include <string>
#include <vector>

namespace quiret {

enum class YesNoAnswer { Yes, No, Closed };

// Message boxes take UTF-8 text. They are modal and return when dismissed.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void ShowStop(const std::string& text) = 0;         // stop icon, OK, no title
  virtual void ShowInformation(const std::string& text) = 0;  // information icon, OK
  virtual void ShowPlain(const std::string& text) = 0;        // no icon, OK
  virtual void ShowError(const std::string& text) = 0;        // the application's error box
  // Yes and No buttons; Closed when the box was closed without a choice.
  virtual YesNoAnswer AskYesNo(const std::string& text, const std::string& caption) = 0;
  // The same question with No as the default button, for a Yes that loses something.
  virtual YesNoAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption) = 0;
};

class ProcessServices {
 public:
  virtual ~ProcessServices() = default;
  // Argument 0 is the program file's full path.
  virtual std::vector<std::string> Arguments() = 0;
  virtual std::string ProgramPath() = 0;
  virtual void SetApplicationTitle(const std::string& title) = 0;
};

}  // namespace quiret
