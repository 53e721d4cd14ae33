// The scripted message boxes: recording and answering.
#include "tests/support/TestMessageBoxes.h"

#include <gtest/gtest.h>

namespace quiret {

YesNoAnswer TestMessageBoxes::AskYesNo(const std::string& text, const std::string& caption) {
  Record(BoxKind::YesNo, text, caption);
  if (!answers_.empty()) {
    YesNoAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  if (fallback_) return *fallback_;
  ADD_FAILURE() << "question without a scripted answer: " << text;
  return YesNoAnswer::No;
}

void TestMessageBoxes::QueueAnswers(std::initializer_list<YesNoAnswer> answers) {
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> TestMessageBoxes::Texts(BoxKind kind) const {
  std::vector<std::string> texts;
  for (const ShownBox& box : shown_) {
    if (box.kind == kind) texts.push_back(box.text);
  }
  return texts;
}

int TestMessageBoxes::Count(BoxKind kind) const { return static_cast<int>(Texts(kind).size()); }

}  // namespace quiret
