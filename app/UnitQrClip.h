// TFormClip: the clipboard viewer, a modal window showing the clipboard's text read-only.
#pragma once

#include <memory>
#include <string>

#include "editor/LumoEdit.h"
#include "platform/Clipboard.h"
#include "platform/ShellUi.h"

namespace quiret {

class TFormClip {
 public:
  static constexpr const char* kCaption = "Quiret - Clipboard Viewer";
  static constexpr int kWidth = 441;
  static constexpr int kHeight = 278;

  // Created hidden at start; `ui` and `clipboard` outlive the viewer.
  TFormClip(ClipViewerUi& ui, Clipboard& clipboard);
  ~TFormClip();
  TFormClip(const TFormClip&) = delete;
  TFormClip& operator=(const TFormClip&) = delete;

  TLumoEdit& SEditC() { return *sEditC_; }
  bool Visible() { return ui_.IsVisible(); }
  // Blocks until the viewer closes (the main window waits).
  void ShowModal() { ui_.ShowModal(); }

  // The viewer's menu: Close (F9) and Refresh (F5); false for a name it does not have.
  bool MenuClick(const std::string& item);
  void CloseClick();
  void RefreshClick();
  // Empties the shown text (the clipboard itself is the caller's business).
  void ClearView();

 private:
  // The editor's design values; a command may change some of them later.
  void ApplyDesign();

  ClipViewerUi& ui_;
  Clipboard& clipboard_;
  std::unique_ptr<TLumoEdit> sEditC_;
};

}  // namespace quiret
