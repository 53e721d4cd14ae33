// Wrap: the whole-text wrap gives exactly the rows of the literal rule (SplitRows), and
// unwrapping gives back the loaded rows.
#include <sstream>

#include "fuzz/EditorSetup.h"
#include "fuzz/FuzzInput.h"

using namespace quiret;
using namespace quiret::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const int column = in.Range(10, 200);
  const int tabs = in.Range(1, 8);
  const bool autoWrap = in.Bool();
  const int width = in.Range(0, 1200);
  const std::string_view text = in.Rest();

  Editor e;
  TLumoEdit& edit = e.edit;
  edit.SetWordWrap(false);
  edit.SetTabCount(tabs);
  edit.SetColumn(column);
  edit.AutoWrap = autoWrap;
  e.win.Resize(width, 300);
  std::istringstream stream{std::string(text)};
  LoadStream(edit, stream);
  std::string fault = edit.Lines->CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault);
  const std::vector<std::string> loaded = e.Rows();

  const std::vector<std::string> expected = edit.SplitRows();
  edit.SetWordWrap(true);
  fault = edit.Lines->CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault + " after wrapping");
  const std::vector<std::string> wrapped = e.Rows();
  FUZZ_CHECK(wrapped == expected, "wrap " + Joined(wrapped) + " literal " + Joined(expected));

  edit.SetWordWrap(false);
  fault = edit.Lines->CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault + " after unwrapping");
  FUZZ_CHECK(e.Rows() == loaded, "unwrap " + Joined(e.Rows()) + " loaded " + Joined(loaded));
  return 0;
}
