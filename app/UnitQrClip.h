// TFormClip: the clipboard viewer window, created hidden at start.
#pragma once

namespace quiret {

// Its contents (a read-only editor showing the clipboard) come with the viewer's own commands.
class TFormClip {
 public:
  bool Visible = false;
};

}  // namespace quiret
