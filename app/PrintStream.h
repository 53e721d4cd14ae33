// The plain-text print stream: lines, tabs, breaking and paging of text sent to a printer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PrintPage.h"
#include "text/LumoStrings.h"

namespace quiret {

// Draws code page 932 text on printer pages with the printer's current font, starting at the
// top-left corner of the printable area. Control bytes: LF starts a new line, CR only outputs
// the pending text, FF starts a new page, TAB advances to the next stop (8 average character
// widths apart). Text wider than the page is broken before the first character that does not
// fit, never inside a double-byte character. A new page starts when the next line would begin
// lower than the page height minus twice the current line height. Pages are opened only when
// something is drawn on them, so trailing breaks never leave a blank sheet.
class PrintStream {
 public:
  explicit PrintStream(PrintPage& page);
  ~PrintStream();
  PrintStream(const PrintStream&) = delete;
  PrintStream& operator=(const PrintStream&) = delete;

  // Starts the job with the printer's font; false when the printer could not be started.
  bool Open(const std::string& title);
  void Write(std::string_view text);
  // Outputs what is pending and ends the job. Called by the destructor when still open.
  void Close();

  bool IsOpen() const { return open_; }
  int LineHeight() const;  // the height the current line would advance by

 private:
  void Flush();
  void LineFeed();
  void FormFeed();
  void Tab();
  void Draw(std::string_view text);
  // Bytes of the longest whole-character prefix of `text` that fits from the current x.
  size_t FittingBytes(std::string_view text);

  PrintPage& page_;
  bool open_ = false;
  TFontMetrics font_;
  int pageWidth_ = 0;
  int pageHeight_ = 0;
  int x_ = 0;
  int y_ = 0;
  bool lineHasText_ = false;
  int pendingPages_ = 0;  // page breaks not yet issued (issued before the next drawing)
  std::string pending_;
};

// The logical lines of a document given as display rows: rows without a terminator are
// joined with the next row, CR LF and the end marker are removed.
std::vector<std::string> LogicalLines(std::int32_t rowCount,
                                      const std::function<std::string_view(std::int32_t)>& rowAt);

// Prints each line once, one printed line per line (longer ones broken at the page's edge).
// An empty document gives one empty page. False when the printer could not be started.
bool PrintLines(const std::vector<std::string>& lines, PrintPage& page, const std::string& title);

// Prints the document held in `rows` (display rows as the editor stores them).
inline bool PrintDocument(const TLumoStrings& rows, PrintPage& page, const std::string& title) {
  return PrintLines(LogicalLines(rows.Count(), [&rows](std::int32_t i) { return rows.Get(i); }), page, title);
}

}  // namespace quiret
