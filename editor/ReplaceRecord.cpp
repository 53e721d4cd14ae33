// The compound record of replacements: encoding, decoding and the reversing pieces.
#include "editor/ReplaceRecord.h"

#include <stdexcept>

namespace quiret {

namespace {

// The compound record's text: for each piece the line (as a step from the previous piece's),
// the column, then Cur and Repl, each either its length + 1 and its bytes or 0 for "the
// same as the previous piece's" (replacing all repeats the same words: this keeps the
// record within the history's budget).
void PutNumber(std::string& out, std::uint32_t v) {
  while (v >= 0x80) {
    out += static_cast<char>(0x80 | (v & 0x7F));
    v >>= 7;
  }
  out += static_cast<char>(v);
}

std::uint32_t GetNumber(std::string_view in, std::size_t& i) {
  std::uint32_t v = 0;
  for (int shift = 0; i < in.size(); shift += 7) {
    const auto b = static_cast<unsigned char>(in[i++]);
    v |= static_cast<std::uint32_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) return v;
  }
  throw std::runtime_error("truncated replacement record");
}

void PutBytes(std::string& out, const std::string& s, const std::string* previous) {
  if (previous && *previous == s) {
    out += '\0';
    return;
  }
  PutNumber(out, static_cast<std::uint32_t>(s.size()) + 1);
  out += s;
}

void GetBytes(std::string_view in, std::size_t& i, std::string& s, const std::string* previous) {
  const std::uint32_t n = GetNumber(in, i);
  if (n == 0) {
    if (!previous) throw std::runtime_error("bad replacement record");
    s = *previous;
    return;
  }
  if (i + n - 1 > in.size()) throw std::runtime_error("truncated replacement record");
  s.assign(in.substr(i, n - 1));
  i += n - 1;
}

}  // namespace

std::string EncodeReplacePieces(const std::vector<ReplacePiece>& pieces) {
  std::string out;
  const ReplacePiece* prev = nullptr;
  for (const ReplacePiece& p : pieces) {
    PutNumber(out, static_cast<std::uint32_t>(p.Line - (prev ? prev->Line : 0)));
    PutNumber(out, static_cast<std::uint32_t>(p.Col));
    PutBytes(out, p.Cur, prev ? &prev->Cur : nullptr);
    PutBytes(out, p.Repl, prev ? &prev->Repl : nullptr);
    prev = &p;
  }
  return out;
}

std::vector<ReplacePiece> DecodeReplacePieces(std::string_view text) {
  std::vector<ReplacePiece> pieces;
  for (std::size_t i = 0; i < text.size();) {
    ReplacePiece p;
    const ReplacePiece* prev = pieces.empty() ? nullptr : &pieces.back();
    p.Line = (prev ? prev->Line : 0) + static_cast<std::int32_t>(GetNumber(text, i));
    p.Col = static_cast<std::int32_t>(GetNumber(text, i));
    GetBytes(text, i, p.Cur, prev ? &prev->Cur : nullptr);
    GetBytes(text, i, p.Repl, prev ? &prev->Repl : nullptr);
    pieces.push_back(std::move(p));
  }
  return pieces;
}

std::vector<ReplacePiece> InverseReplacePieces(const std::vector<ReplacePiece>& pieces) {
  std::vector<ReplacePiece> inverse;
  inverse.reserve(pieces.size());
  std::int64_t shift = 0;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    const ReplacePiece& p = pieces[k];
    if (k == 0 || pieces[k - 1].Line != p.Line) shift = 0;
    inverse.push_back(ReplacePiece{p.Line, static_cast<std::int32_t>(p.Col + shift), p.Repl, p.Cur});
    shift += static_cast<std::int64_t>(p.Repl.size()) - static_cast<std::int64_t>(p.Cur.size());
  }
  return inverse;
}

}  // namespace quiret
