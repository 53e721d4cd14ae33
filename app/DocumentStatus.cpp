// The status texts of each document, shown with its tab.
#include "app/DocumentStatus.h"

#include <algorithm>
#include <iterator>

namespace quiret {

void DocumentStatusBar::SetPanelText(int panel, const std::string& text) {
  if (std::find(std::begin(kDocumentPanels), std::end(kDocumentPanels), panel) != std::end(kDocumentPanels)) {
    if (text.empty())
      texts_[current_].erase(panel);
    else
      texts_[current_][panel] = text;
  }
  bar_.SetPanelText(panel, text);
}

void DocumentStatusBar::SetDocument(const void* document) {
  if (document == current_) return;
  current_ = document;
  Show();
}

void DocumentStatusBar::Forget(const void* document) {
  texts_.erase(document);
  if (document != current_) return;
  current_ = nullptr;
  Show();
}

void DocumentStatusBar::Show() {
  const auto& mine = texts_[current_];
  for (int panel : kDocumentPanels) {
    const auto it = mine.find(panel);
    bar_.SetPanelText(panel, it == mine.end() ? std::string() : it->second);
  }
}

}  // namespace quiret
