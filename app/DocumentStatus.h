// Status texts that belong to one document: kept with the tab that was active when they were
// shown, and shown again (or cleared) whenever the active tab changes.
#pragma once

#include <map>
#include <string>

#include "platform/ShellUi.h"

namespace quiret {

// Stands between the shell and the status bar. Texts of the document panels (what find and
// replace report) are remembered for the current document; every other panel passes through.
class DocumentStatusBar : public StatusBarUi {
 public:
  explicit DocumentStatusBar(StatusBarUi& bar) : bar_(bar) {}
  void SetPanelText(int panel, const std::string& text) override;
  void ShowProgress(int permille) override { bar_.ShowProgress(permille); }
  // `document` (any key, nullptr for none) becomes the current one; its texts are shown.
  void SetDocument(const void* document);
  // The document is gone; what it said goes with it.
  void Forget(const void* document);

 private:
  static constexpr int kDocumentPanels[] = {kFindPanel, kHitCountPanel};
  // The current document's texts on the bar, empty panels where it has none.
  void Show();
  StatusBarUi& bar_;
  const void* current_ = nullptr;
  std::map<const void*, std::map<int, std::string>> texts_;
};

}  // namespace quiret
