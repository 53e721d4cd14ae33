// A scripted MessageBoxes for tests: records every box and answers questions from a queue.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace quiret {

enum class BoxKind { Stop, Information, Plain, Error, YesNo };

struct ShownBox {
  BoxKind kind;
  std::string text;
  std::string caption;  // only questions have one
  friend bool operator==(const ShownBox&, const ShownBox&) = default;
};

class TestMessageBoxes : public MessageBoxes {
 public:
  void ShowStop(const std::string& text) override { Record(BoxKind::Stop, text); }
  void ShowInformation(const std::string& text) override { Record(BoxKind::Information, text); }
  void ShowPlain(const std::string& text) override { Record(BoxKind::Plain, text); }
  void ShowError(const std::string& text) override { Record(BoxKind::Error, text); }
  // Takes the next scripted answer. With none left it answers the fallback when one is set;
  // otherwise it fails the running test and answers No, so a question loop cannot hang.
  YesNoAnswer AskYesNo(const std::string& text, const std::string& caption) override;
  YesNoAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption) override {
    return AskYesNo(text, caption);
  }

  // Script: answers given to AskYesNo in order.
  void QueueAnswer(YesNoAnswer answer) { answers_.push_back(answer); }
  void QueueAnswers(std::initializer_list<YesNoAnswer> answers);
  void SetFallbackAnswer(std::optional<YesNoAnswer> answer) { fallback_ = answer; }
  size_t PendingAnswers() const { return answers_.size(); }

  // What was shown, in order.
  const std::vector<ShownBox>& Shown() const { return shown_; }
  std::vector<std::string> Texts(BoxKind kind) const;
  int Count(BoxKind kind) const;
  void ClearShown() { shown_.clear(); }

 private:
  void Record(BoxKind kind, const std::string& text, const std::string& caption = "") {
    shown_.push_back({kind, text, caption});
  }

  std::vector<ShownBox> shown_;
  std::deque<YesNoAnswer> answers_;
  std::optional<YesNoAnswer> fallback_;
};

}  // namespace quiret
