// TFormAbout: the version window, created hidden at start.
#pragma once

namespace quiret {

class TFormAbout {
 public:
  bool Visible = false;
};

}  // namespace quiret
