// The common dialogs the shell opens: open, save, print, printer setup, font and colour.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace quiret {

class PrintPage;

// What the font dialog shows and gives back.
struct TFontChoice {
  std::string Name;   // family name, UTF-8; need not be installed
  int Size = 12;      // points
  TColor Color = 0;   // 0x00BBGGRR
  int CharSet = 128;  // Shift-JIS: the dialog offers the fonts that write Japanese
  friend bool operator==(const TFontChoice&, const TFontChoice&) = default;
};

// What a save dialog offers beside the name: the text's encoding and its line end, each an
// index into the captions given; preset with the current ones, on OK the user's.
struct TSaveChoice {
  std::vector<std::string> Encodings;
  int EncodingIndex = 0;
  std::vector<std::string> LineEnds;
  int LineEndIndex = 0;
};

// Filters are written "caption|patterns|caption|patterns" (patterns separated by ";").
class ShellDialogs {
 public:
  virtual ~ShellDialogs() = default;
  // One or more existing files, in the order chosen; false when cancelled.
  virtual bool OpenFileNames(const std::string& filter, std::vector<std::string>& fileNames) = 0;
  // Asks before overwriting an existing file; adds no extension; false when cancelled. With
  // `choice`, the dialog also offers its encodings and line ends.
  virtual bool SaveFileName(const std::string& filter, std::string& fileName, TSaveChoice* choice) = 0;
  // The print dialog; a page stream on the chosen printer, or nullptr when cancelled.
  virtual std::unique_ptr<PrintPage> ExecPrintDialog() = 0;
  virtual void ExecPrinterSetup() = 0;
  // The font dialog, preset with `font`; on OK `font` holds the choice. It offers no style
  // (bold, italic): the editor draws one plain face.
  virtual bool ExecFontDialog(TFontChoice& font) = 0;
  // The colour dialog in its full form, preset with `color` (0x00BBGGRR); on OK the choice.
  virtual bool ExecColorDialog(TColor& color) = 0;
  // Asks for a line number, preset with `line`, telling that the text has `lineCount` lines;
  // on OK `line` holds the number typed, which may lie outside 1..lineCount.
  virtual bool AskLineNumber(int& line, int lineCount) = 0;
};

}  // namespace quiret
