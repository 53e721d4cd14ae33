// Encoding and line-end names, and the iconv names each encoding is asked for by.
#include "text/TextFormat.h"

#include <cctype>

namespace quiret {

namespace {

struct Alias {
  const char* name;
  Encoding enc;
};

// iconv's own names for the encodings read here; the first of each is the one shown.
constexpr Alias kAliases[] = {
    {"CP932", Encoding::ShiftJis},
    {"MS932", Encoding::ShiftJis},
    {"WINDOWS-31J", Encoding::ShiftJis},
    {"CSWINDOWS31J", Encoding::ShiftJis},
    {"IBM-932", Encoding::ShiftJis},
    {"IBM932", Encoding::ShiftJis},
    {"CSIBM932", Encoding::ShiftJis},
    {"SJIS", Encoding::ShiftJis},
    {"SHIFT_JIS", Encoding::ShiftJis},
    {"SHIFT-JIS", Encoding::ShiftJis},
    {"MS_KANJI", Encoding::ShiftJis},
    {"CSSHIFTJIS", Encoding::ShiftJis},
    {"SJIS-WIN", Encoding::ShiftJis},
    {"SJIS-OPEN", Encoding::ShiftJis},
    {"UTF-8", Encoding::Utf8},
    {"UTF8", Encoding::Utf8},
    {"UTF-16LE", Encoding::Utf16Le},
    {"UTF16LE", Encoding::Utf16Le},
    {"UTF-16BE", Encoding::Utf16Be},
    {"UTF16BE", Encoding::Utf16Be},
    {"UTF-16", Encoding::Utf16},
    {"UTF16", Encoding::Utf16},
    {"EUC-JP", Encoding::EucJp},
    {"EUCJP", Encoding::EucJp},
    {"UJIS", Encoding::EucJp},
    {"CSEUCPKDFMTJAPANESE", Encoding::EucJp},
    {"ISO-2022-JP", Encoding::Iso2022Jp},
    {"ISO2022JP", Encoding::Iso2022Jp},
    {"CSISO2022JP", Encoding::Iso2022Jp},
};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

const char* EncodingName(Encoding e) {
  switch (e) {
    case Encoding::ShiftJis:
      return "Shift-JIS";
    case Encoding::Utf8:
      return "UTF-8";
    case Encoding::Utf16Le:
      return "UTF-16LE";
    case Encoding::Utf16Be:
      return "UTF-16BE";
    case Encoding::EucJp:
      return "EUC-JP";
    case Encoding::Iso2022Jp:
      return "ISO-2022-JP";
    case Encoding::Utf16:
      break;
  }
  return "UTF-16";
}

const char* EncodingIconvName(Encoding e) { return e == Encoding::ShiftJis ? "CP932" : EncodingName(e); }

std::optional<Encoding> EncodingFromName(std::string_view name) {
  for (const Alias& a : kAliases)
    if (SameLetters(name, a.name)) return a.enc;
  return std::nullopt;
}

std::string KnownEncodingNames() {
  std::string out;
  for (Encoding e : {Encoding::ShiftJis, Encoding::Utf8, Encoding::Utf16, Encoding::Utf16Le,
                     Encoding::Utf16Be, Encoding::EucJp, Encoding::Iso2022Jp}) {
    if (!out.empty()) out += ", ";
    out += EncodingIconvName(e);
  }
  return out;
}

const char* LineEndName(LineEnd e) {
  switch (e) {
    case LineEnd::Lf:
      return "LF";
    case LineEnd::Cr:
      return "CR";
    case LineEnd::CrLf:
      break;
  }
  return "CRLF";
}

std::string_view LineEndBytes(LineEnd e) {
  switch (e) {
    case LineEnd::Lf:
      return "\n";
    case LineEnd::Cr:
      return "\r";
    case LineEnd::CrLf:
      break;
  }
  return "\r\n";
}

bool HasBomForm(Encoding e) { return !BomBytes(e).empty(); }

std::string_view BomBytes(Encoding e) {
  switch (e) {
    case Encoding::Utf8:
      return "\xEF\xBB\xBF";
    case Encoding::Utf16Le:
      return "\xFF\xFE";
    case Encoding::Utf16Be:
      return "\xFE\xFF";
    default:
      return {};
  }
}

std::string FormatStatusText(const TextFormat& f) {
  std::string s = EncodingName(f.Enc);
  if (f.Bom) s += " BOM";
  s += " · ";
  s += LineEndName(f.Break);
  if (f.MixedBreaks) s += "（改行混在）";
  return s;
}

}  // namespace quiret
