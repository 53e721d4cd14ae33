// Wrap: the whole-text wrap gives exactly the rows of the literal rule (SplitRows), and
// unwrapping gives back the loaded rows. Then the same with every pair measured first (the
// way a large text is wrapped), on fonts where a few characters are of other widths, with
// each vector instruction set the processor has.
#include <map>
#include <memory>
#include <sstream>

#include "editor/LumoEditSub.h"
#include "editor/WrapEngine.h"
#include "fuzz/EditorSetup.h"
#include "fuzz/FuzzInput.h"

using namespace quiret;
using namespace quiret::fuzz;

namespace {

// The test surface with a few widths changed: 0 none, 1 one narrow pair (as the default font
// on Linux has), 2 odd single bytes and pairs, 3 more odd pairs than the fast way takes.
class OddWidths : public TestSurface {
 public:
  explicit OddWidths(int font) {
    if (font == 1) pairs_ = {{{0x87, 0x94}, 8}};
    if (font == 2) {
      singles_ = {{0x01, 0}, {0xB1, 3}, {0x82, 5}};
      pairs_ = {{{0x88, 0x9F}, 24}, {{0x81, 0x0D}, 9}};
    }
    if (font == 3) {
      for (int t = 0x40; t < 0x48; ++t) pairs_[{0x88, static_cast<unsigned char>(t)}] = 8;
    }
  }
  int TextWidth(std::string_view text) override {
    const auto b0 = static_cast<unsigned char>(text[0]);
    if (text.size() == 1 && singles_.count(b0)) return singles_[b0];
    if (text.size() == 2) {
      const auto it = pairs_.find({b0, static_cast<unsigned char>(text[1])});
      if (it != pairs_.end()) return it->second;
    }
    return TestSurface::TextWidth(text);
  }

 private:
  std::map<unsigned char, int> singles_;
  std::map<std::pair<unsigned char, unsigned char>, int> pairs_;
};

// A font's widths with every pair measured, kept for the whole run.
WidthTable& MeasuredWidths(int font) {
  struct Font {
    OddWidths surface;
    std::vector<int> cache;
    WidthTable widths;
    explicit Font(int f) : surface(f), widths(cache, surface) {
      for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int second = 0; second < 256; ++second) {
          if (IsLeadByte(static_cast<unsigned char>(lead)) && second != '\t')
            widths.Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(second));
        }
      }
    }
  };
  static std::map<int, std::unique_ptr<Font>> fonts;
  auto& f = fonts[font];
  if (!f) f = std::make_unique<Font>(font);
  return f->widths;
}

void CheckMeasuredWrap(std::string_view text, const WrapRule& rule, int font, WrapSimd simd) {
  WidthTable& widths = MeasuredWidths(font);
  TLumoStrings lines;
  std::istringstream stream{std::string(text)};
  lines.LoadFromStream(stream);
  std::vector<std::string> expected;
  for (std::int32_t r = 0; r < lines.Count(); ++r) {
    std::string_view data = lines.Get(r);
    for (;;) {
      const std::size_t take =
          NextRowLength(data, data.size(), rule.column, rule.autoWrap, rule.areaWidth, rule.tabCount, widths);
      expected.emplace_back(data.substr(0, take));
      if (take >= data.size()) break;
      data.remove_prefix(take);
    }
  }
  WrapInPlace(lines, rule, widths, {}, false, simd);
  std::vector<std::string> wrapped;
  for (std::int32_t r = 0; r < lines.Count(); ++r) wrapped.emplace_back(lines.Get(r));
  FUZZ_CHECK(wrapped == expected, "font " + std::to_string(font) + " simd " +
                                      std::to_string(static_cast<int>(simd)) + " wrap " + Joined(wrapped) +
                                      " literal " + Joined(expected));
}

}  // namespace

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

  // The choices above pick the font and the instruction sets too, so the seeds keep their text.
  const WrapRule rule{edit.Column, autoWrap, edit.TextAreaWidth, edit.TabCount};
  for (int simd = 0; simd <= static_cast<int>(BestWrapSimd()); ++simd)
    CheckMeasuredWrap(text, rule, column % 4, static_cast<WrapSimd>(simd));
  return 0;
}
