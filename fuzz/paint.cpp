// Painting: any document at any client size and scroll position draws without a fault.
#include <sstream>

#include "fuzz/EditorSetup.h"
#include "fuzz/FuzzInput.h"

using namespace quiret;
using namespace quiret::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const bool wrap = in.Bool();
  const int column = in.Range(10, 200);
  const int tabs = in.Range(1, 8);
  const bool lineNumbers = in.Bool();
  const int lineSpace = in.Range(0, 100);
  const int steps = in.Range(1, 8);
  // The settings and moves come first; the document is a length-prefixed piece after them.
  struct Step {
    int w, h, thumb;
  };
  std::vector<Step> plan;
  for (int i = 0; i < steps; ++i)
    plan.push_back({in.Range(-20, 1500), in.Range(-20, 1000), in.Range(0, 1000)});
  const std::string_view text = in.Rest();

  Editor e;
  TLumoEdit& edit = e.edit;
  edit.SetWordWrap(false);
  edit.SetTabCount(tabs);
  edit.SetColumn(column);
  edit.SetShowLineNumber(lineNumbers);
  edit.SetLineSpace(lineSpace);
  edit.ApplySettings();
  std::istringstream stream{std::string(text)};
  LoadStream(edit, stream);
  if (wrap) edit.SetWordWrap(true);
  for (const Step& s : plan) {
    e.win.Resize(s.w, s.h);
    edit.WmVScroll(SB_THUMBTRACK, s.thumb);
    edit.RedrawAll();
    e.win.Paint();
    const std::string fault = edit.Lines->CheckInvariant();
    FUZZ_CHECK(fault.empty(), fault);
  }
  return 0;
}
