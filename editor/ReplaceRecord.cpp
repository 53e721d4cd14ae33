// The compound record of replacements: writing, reading, and the record that reverses a set.
#include "editor/ReplaceRecord.h"

#include <algorithm>
#include <stdexcept>

namespace quiret {

namespace {

// The record's text: for each piece the line (as a step from the previous piece's), the
// column, then Cur and Repl, each either its length + 1 and its bytes or 0 for "the same as
// the previous piece's" (replacing all repeats the same words: a piece then costs a few
// bytes).
void PutNumber(std::string& out, std::uint32_t v) {
  while (v >= 0x80) {
    out += static_cast<char>(0x80 | (v & 0x7F));
    v >>= 7;
  }
  out += static_cast<char>(v);
}

std::uint32_t GetNumber(std::string_view in, std::size_t& i) {
  std::uint32_t v = 0;
  for (int shift = 0; i < in.size() && shift < 35; shift += 7) {
    const auto b = static_cast<unsigned char>(in[i++]);
    v |= static_cast<std::uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return v;
  }
  throw std::runtime_error("truncated replacement record");
}

std::string_view GetBytes(std::string_view in, std::size_t& i, std::string_view previous, bool first) {
  const std::uint32_t n = GetNumber(in, i);
  if (n == 0) {
    if (first) throw std::runtime_error("bad replacement record");
    return previous;
  }
  if (n - 1 > in.size() - i) throw std::runtime_error("truncated replacement record");
  const std::string_view s = in.substr(i, n - 1);
  i += n - 1;
  return s;
}

}  // namespace

void ReplaceRecordWriter::PutBytes(std::string_view s, Kept& previous) {
  if (count_ > 0 && previous.size == s.size() &&
      std::string_view(out_).substr(previous.at, previous.size) == s) {
    out_ += '\0';
    return;
  }
  PutNumber(out_, static_cast<std::uint32_t>(s.size()) + 1);
  previous = Kept{out_.size(), s.size()};
  out_ += s;
}

void ReplaceRecordWriter::Add(std::int32_t line, std::int32_t col, std::string_view cur,
                              std::string_view repl) {
  PutNumber(out_, static_cast<std::uint32_t>(line - (count_ > 0 ? line_ : 0)));
  PutNumber(out_, static_cast<std::uint32_t>(col));
  PutBytes(cur, cur_);
  PutBytes(repl, repl_);
  line_ = line;
  ++count_;
}

bool ReplaceRecordReader::Next(ReplaceSpan& piece) {
  if (i_ >= text_.size()) return false;
  ReplaceSpan p;
  p.Line = (first_ ? 0 : prev_.Line) + static_cast<std::int32_t>(GetNumber(text_, i_));
  p.Col = static_cast<std::int32_t>(GetNumber(text_, i_));
  p.Cur = GetBytes(text_, i_, prev_.Cur, first_);
  p.Repl = GetBytes(text_, i_, prev_.Repl, first_);
  first_ = false;
  prev_ = p;
  piece = p;
  return true;
}

LinePos EndOfText(LinePos at, std::string_view bytes) {
  const std::size_t lf = bytes.rfind('\n');
  if (lf == std::string_view::npos)
    return LinePos{at.Offset + static_cast<std::int32_t>(bytes.size()), at.Line};
  const auto breaks = std::count(bytes.begin(), bytes.end(), '\n');
  return LinePos{static_cast<std::int32_t>(bytes.size() - lf - 1),
                 at.Line + static_cast<std::int32_t>(breaks)};
}

LinePos ReplaceShift::Map(std::int32_t line, std::int32_t col) const {
  if (line == oldEnd_.Line) return LinePos{newEnd_.Offset + col - oldEnd_.Offset, newEnd_.Line};
  return LinePos{col, line + (oldEnd_.Line < 0 ? 0 : newEnd_.Line - oldEnd_.Line)};
}

LinePos ReplaceShift::Pass(const ReplaceSpan& piece) {
  const LinePos start = Map(piece.Line, piece.Col);
  oldEnd_ = EndOfText(LinePos{piece.Col, piece.Line}, piece.Cur);
  newEnd_ = EndOfText(start, piece.Repl);
  return start;
}

std::string InverseReplaceRecord(std::string_view record) {
  ReplaceRecordReader in(record);
  ReplaceRecordWriter out;
  out.Text().reserve(record.size() + record.size() / 8);
  ReplaceShift shift;
  ReplaceSpan p;
  while (in.Next(p)) {
    const LinePos at = shift.Pass(p);
    out.Add(at.Line, at.Offset, p.Repl, p.Cur);
  }
  return std::move(out.Text());
}

std::string EncodeReplacePieces(const std::vector<ReplacePiece>& pieces) {
  ReplaceRecordWriter out;
  for (const ReplacePiece& p : pieces) out.Add(p.Line, p.Col, p.Cur, p.Repl);
  return std::move(out.Text());
}

std::vector<ReplacePiece> DecodeReplacePieces(std::string_view text) {
  std::vector<ReplacePiece> pieces;
  ReplaceRecordReader in(text);
  ReplaceSpan p;
  while (in.Next(p)) pieces.push_back(ReplacePiece{p.Line, p.Col, std::string(p.Cur), std::string(p.Repl)});
  return pieces;
}

std::vector<ReplacePiece> InverseReplacePieces(const std::vector<ReplacePiece>& pieces) {
  return DecodeReplacePieces(InverseReplaceRecord(EncodeReplacePieces(pieces)));
}

}  // namespace quiret
