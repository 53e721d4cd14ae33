// Print stream: any rows print without a fault, and every printable byte is drawn once.
#include "app/PrintStream.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/TestPrintPage.h"

using namespace quiret;
using namespace quiret::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  TestPrintPage page;
  page.Width = in.Range(-10, 2000);
  page.Height = in.Range(-10, 3000);
  page.AveWidth = in.Range(0, 64);
  page.FontHeight = in.Range(0, 64);
  const int mode = in.Range(0, 2);
  if (mode == 0) {
    // Rows as the editor holds them: pieces with or without a terminator.
    TLumoStrings rows;
    std::vector<std::string> list;
    while (!in.Empty() && list.size() < 2000) list.push_back(in.Bytes(120));
    try {
      rows.Assign(list);
    } catch (const std::exception&) {
      return 0;
    }
    PrintDocument(rows, page, "fuzz");
  } else if (mode == 1) {
    std::vector<std::string> lines;
    while (!in.Empty() && lines.size() < 2000) lines.push_back(in.Bytes(200));
    PrintLines(lines, page, "fuzz");
  } else {
    // The raw stream with its control bytes, written in pieces.
    PrintStream ps(page);
    if (!ps.Open("fuzz")) return 0;
    while (!in.Empty()) ps.Write(in.Bytes(64));
    ps.Close();
  }
  FUZZ_CHECK(page.Ended || !page.Began, "the job was started but not ended");
  return 0;
}
