// TFormBase: files in other encodings — which encoding a file is read in, what the user is
// told when the text shown is not the file's own, reopening in a chosen encoding, the
// formats Save As offers, and the encoding option of the command line.
#include <cstdio>
#include <fstream>

#include "app/UnitQrBase.h"
#include "platform/Codec932.h"
#include "platform/Files.h"
#include "text/EncodedFile.h"
#include "text/EncodingGuess.h"
#include "text/FileEncoder.h"

namespace quiret {
namespace {

std::string Hex(std::string_view bytes) {
  std::string out;
  for (const unsigned char b : bytes) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", b);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

// 「😀」(U+1F600); a control character by its number alone (" U+001B").
std::string CharText(char32_t c) {
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return std::string(" ") + number;
  std::string s = "「";
  Codec932::AppendUtf8(s, c);
  return s + "」(" + number + ")";
}

std::string FileHead(const std::string& path, std::size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string head(n, '\0');
  in.read(head.data(), static_cast<std::streamsize>(n));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

// The encoding asked for, or else (when choosing is on) the one a byte-order mark or the
// guess names, or Shift-JIS.
Encoding ChooseEncoding(const std::string& path, std::optional<Encoding> asked, bool automatic) {
  if (asked) {
    if (*asked != Encoding::Utf16) return *asked;
    return FileHead(path, 2) == "\xFF\xFE" ? Encoding::Utf16Le : Encoding::Utf16Be;
  }
  if (!automatic) return Encoding::ShiftJis;
  switch (GuessFileEncoding(path)) {
    case GuessedEncoding::Utf8Bom:
    case GuessedEncoding::Utf8:
      return Encoding::Utf8;
    case GuessedEncoding::Utf16Le:
      return Encoding::Utf16Le;
    case GuessedEncoding::Utf16Be:
      return Encoding::Utf16Be;
    case GuessedEncoding::EucJp:
      return Encoding::EucJp;
    case GuessedEncoding::Iso2022Jp:
      return Encoding::Iso2022Jp;
    default:
      return Encoding::ShiftJis;
  }
}

// A text that reads but would not be written back as the file's bytes.
std::string LossMessage(const std::string& path, Encoding e, const DecodeProblem& p) {
  std::string s = path + "\r\n の " + std::to_string(p.Line) + " 行目";
  switch (p.What) {
    case DecodeProblem::Kind::NotInCp932:
      s += "の" + CharText(p.Char) + " は Shift-JIS で表せない文字です（「〓」で表示しています）。";
      break;
    case DecodeProblem::Kind::NotKept:
      s += "の " + CharText(p.Char) +
           " は、ファイルの中で別の形でも書かれているため、元の形で書き戻せません。";
      break;
    case DecodeProblem::Kind::ZeroChar:
      s += "に NUL 文字 (U+0000) があり、テキストに入れられません。";
      break;
    default:
      s += p.Bytes.empty() ? "（ファイルの終わり）が、同じバイト列で書き戻せません。"
                           : "のバイト列 (" + Hex(p.Bytes) + ") が、同じバイト列で書き戻せません。";
      break;
  }
  return s + "\r\n元のとおりに保存できないため、" + EncodingName(e) + " として読み取り専用で開きました。";
}

// Bytes that do not read in the encoding the file was asked for or marked with.
std::string UnreadableMessage(const std::string& path, Encoding e, const DecodeProblem& p) {
  const std::string enc = EncodingName(e);
  std::string s = path + "\r\n ";
  switch (p.What) {
    case DecodeProblem::Kind::OddLength:
      s += "は " + enc + " としてはバイト数が奇数です。";
      break;
    case DecodeProblem::Kind::Truncated:
      s += "は " + std::to_string(p.Line) + " 行目で " + enc + " の文字の途中 (" + Hex(p.Bytes) +
           ") で終わっています。";
      break;
    default:
      s += "の " + std::to_string(p.Line) + " 行目に " + enc + " として読めないバイト (" + Hex(p.Bytes) +
           ") があります。";
      break;
  }
  return s + "\r\nShift-JIS として読み取り専用で開きました。";
}

}  // namespace

void TFormBase::ReadTabText(TTabSheet& tab, TLumoStrings& lines, const std::string& path,
                            const TLumoStrings::LoadProgress& progress) {
  // The tab learns how its text was read only once it has been read.
  TextFormat format;
  bool notFile = false;
  std::string note, message;
  const Encoding enc = ChooseEncoding(path, tab.AskedEncoding, Checked("MmAutoEncoding"));
  bool read = false;
  if (enc != Encoding::ShiftJis) {
    const EncodedLoad load = LoadEncodedFile(lines, path, enc, progress);
    const DecodeProblem& p = load.Problem;
    read = !p.Unreadable();
    if (read) format = load.Format;
    if (p.What != DecodeProblem::Kind::None) {
      // Either way the text shown is not the file's own, and is kept from being saved: a
      // character that would not come back, or bytes (of a file that looked so, or was
      // called so) shown as they are.
      notFile = true;
      note = read ? "元のとおりに保存できないため読み取り専用"
                  : std::string(EncodingName(enc)) + " として読めないため読み取り専用";
      message = read ? LossMessage(path, enc, p) : UnreadableMessage(path, enc, p);
    }
  }
  if (!read) {
    lines.LoadFromFile(path, progress);
    if (Checked("MmKeepLineEnds")) format = ShiftJisFileFormat(path);
    if (!notFile && lines.DroppedZeroLine() != 0) {
      // The rows leave zero bytes out: the same as a character that would not come back.
      notFile = true;
      note = "元のとおりに保存できないため読み取り専用";
      message = LossMessage(path, Encoding::ShiftJis,
                            {DecodeProblem::Kind::ZeroChar, lines.DroppedZeroLine(), 0, {}});
    }
  }
  tab.Format = format;
  tab.TextNotFile = notFile;
  tab.EncodingNote = note;
  tab.EncodingMessage = message;
}

void TFormBase::SettleTabText(TTabSheet& tab) {
  tab.Editor->ReadOnly = tab.TextNotFile;
  if (tab.Format.Enc != Encoding::ShiftJis || tab.TextNotFile) return;
  CheckEncoding(tab);  // a Shift-JIS text that looks like something else
  // Shift-JIS asked for by name: the status line only, the user knows what was chosen.
  if (tab.AskedEncoding == Encoding::ShiftJis) tab.EncodingMessage.clear();
}

const std::vector<std::pair<std::string, Encoding>>& TFormBase::ReopenItems() {
  static const std::vector<std::pair<std::string, Encoding>> items = {
      {"MmReopenShiftJis", Encoding::ShiftJis}, {"MmReopenUtf8", Encoding::Utf8},
      {"MmReopenUtf16Le", Encoding::Utf16Le},   {"MmReopenUtf16Be", Encoding::Utf16Be},
      {"MmReopenEucJp", Encoding::EucJp},       {"MmReopenIso2022Jp", Encoding::Iso2022Jp},
  };
  return items;
}

void TFormBase::ReopenInEncoding(Encoding e) {
  const int a = ActiveIndex();
  if (a < 0 || a >= TabCount() || tabs_[a]->Hint == kNewFileHint) return;
  TTabSheet& tab = *tabs_[a];
  if (tab.Editor->GetModified() &&
      ui_.Boxes.AskYesNoDefaultNo(TabCaption(a) + " は変更されています。\r\n変更を破棄して " +
                                      EncodingName(e) + " で開き直しますか？",
                                  "Quiret") != YesNoAnswer::Yes)
    return;
  const std::optional<Encoding> before = tab.AskedEncoding;
  tab.AskedEncoding = e;
  try {
    ReloadTab(a);
  } catch (...) {
    tab.AskedEncoding = before;  // the text is as it was, and so is the way it was read
    throw;
  }
  FocusActiveEditor();
}

const std::vector<TextFormat>& TFormBase::SaveAsEncodings() {
  static const std::vector<TextFormat> formats = [] {
    std::vector<TextFormat> list;
    for (const auto& [e, bom] : {std::pair{Encoding::ShiftJis, false},
                                 {Encoding::Utf8, false},
                                 {Encoding::Utf8, true},
                                 {Encoding::Utf16Le, true},
                                 {Encoding::Utf16Le, false},
                                 {Encoding::Utf16Be, true},
                                 {Encoding::Utf16Be, false},
                                 {Encoding::EucJp, false},
                                 {Encoding::Iso2022Jp, false}}) {
      TextFormat f;
      f.Enc = e;
      f.Bom = bom;
      list.push_back(f);
    }
    return list;
  }();
  return formats;
}

TSaveChoice TFormBase::SaveChoiceFor(const TextFormat& format) {
  TSaveChoice choice;
  const std::vector<TextFormat>& list = SaveAsEncodings();
  for (std::size_t i = 0; i < list.size(); ++i) {
    choice.Encodings.push_back(std::string(EncodingName(list[i].Enc)) + (list[i].Bom ? " BOM" : ""));
    if (list[i].Enc == format.Enc && list[i].Bom == format.Bom) choice.EncodingIndex = static_cast<int>(i);
  }
  choice.LineEnds = {"CR LF", "LF", "CR"};
  choice.LineEndIndex = static_cast<int>(format.Break);
  return choice;
}

TextFormat TFormBase::FormatOfChoice(const TextFormat& format, const TSaveChoice& choice) {
  TextFormat f = format;
  const std::vector<TextFormat>& list = SaveAsEncodings();
  if (choice.EncodingIndex >= 0 && static_cast<std::size_t>(choice.EncodingIndex) < list.size()) {
    const TextFormat& chosen = list[static_cast<std::size_t>(choice.EncodingIndex)];
    // Symbol forms as the new encoding writes them by default; the file's own while it stays.
    if (chosen.Enc != f.Enc) f.JisForms = FileEncoder::DefaultJisForms(chosen.Enc);
    f.Enc = chosen.Enc;
    f.Bom = chosen.Bom;
  }
  // Another style than the file's first: every line end in it, the file's own ones not kept.
  if (choice.LineEndIndex >= 0 && choice.LineEndIndex <= 2 &&
      static_cast<LineEnd>(choice.LineEndIndex) != f.Break) {
    f.Break = static_cast<LineEnd>(choice.LineEndIndex);
    f.MixedBreaks = false;
  }
  return f;
}

bool TFormBase::MayWriteFormat(const TLumoStrings& lines, const TextFormat& format) {
  const std::optional<UnwritableChar> bad = FindUnwritable(lines, format);
  if (!bad) return true;
  int len = 0;
  const bool character = Codec932::Instance().DecodeAt(bad->Cp932, 0, len) != 0;
  const std::string what =
      character ? "「" + Codec932::Instance().ToUtf8(bad->Cp932) + "」" : "バイト (" + Hex(bad->Cp932) + ")";
  ui_.Boxes.ShowInformation(std::to_string(bad->Line) + " 行目の" + what + "は " + EncodingName(format.Enc) +
                            " で保存できません。\r\n別の文字コードを「名前をつけて保存」で選んでください。");
  return false;
}

bool TFormBase::TakeEncodingOption(const std::vector<std::string>& args, std::size_t& i) {
  const std::string& arg = args[i];
  std::string name;
  if (arg.rfind("--encoding=", 0) == 0) {
    name = arg.substr(11);
  } else if (arg == "-e" || arg == "--encoding") {
    if (i + 1 < args.size()) name = args[++i];
  } else {
    return false;
  }
  if (const std::optional<Encoding> e = EncodingFromName(name)) {
    argEncoding_ = *e;
    argEncodingBad_ = false;
    return true;
  }
  argEncodingBad_ = true;
  ui_.Boxes.ShowError(
      (name.empty() ? arg + " に文字コード名がありません。" : "文字コード名「" + name + "」は使えません。") +
      "\r\n使える名前：" + KnownEncodingNames() +
      "（大文字小文字は区別しません）\r\nこの後に続くファイルは開きません。");
  return true;
}

}  // namespace quiret
