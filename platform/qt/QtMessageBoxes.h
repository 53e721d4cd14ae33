// Message boxes on Qt: stop, information, plain, error and the Yes/No question.
#pragma once

#include <QMessageBox>
#include <functional>

#include "platform/Process.h"

namespace quiret {

class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowStop(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowPlain(const std::string& text) override;
  void ShowError(const std::string& text) override;
  YesNoAnswer AskYesNo(const std::string& text, const std::string& caption) override;
  YesNoAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption) override;

  // Called with each box just before it runs modally; lets a caller (a test) look at it.
  void SetBeforeShow(std::function<void(QMessageBox&)> hook) { beforeShow_ = std::move(hook); }

 private:
  void ShowOk(QMessageBox::Icon icon, const std::string& text);
  int Run(QMessageBox& box);
  YesNoAnswer Ask(const std::string& text, const std::string& caption, bool defaultYes);

  std::function<void(QMessageBox&)> beforeShow_;
};

}  // namespace quiret
