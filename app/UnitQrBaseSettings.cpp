// TFormBase settings: where the file lives, reading it at start and writing it at exit.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/UnitQrBase.h"
#include "platform/Files.h"
#include "platform/IniDocument.h"

namespace quiret {

namespace {

// Colours are stored as 8 upper-case hexadecimal digits of 0x00BBGGRR.
std::string ColorText(TColor c) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(c));
  return buf;
}

// "$" + text converted as a hexadecimal integer; false when it is not one.
bool ParseHexColor(const std::string& text, TColor& out) {
  if (text.empty() || text.size() > 8 || text[0] == '-' || text[0] == '+') return false;
  const std::optional<int> v = ParseProfileInteger("$" + text);
  if (!v) return false;
  out = static_cast<TColor>(static_cast<std::uint32_t>(*v));
  return true;
}

// Wider than any caption needs; a tab wider than the window leaves no room for the others.
constexpr int kMaxTabWidth = 500;

}  // namespace

std::string SettingsFilePath(const std::string& programPath) {
  const std::string beside = ChangeFileExt(programPath, ".ini");
  std::string dir = ExtractFileDir(programPath);
  if (dir.empty()) dir = ".";
  // A file already there is the user's choice, even in a folder we may not write to.
  if (FileExists(beside) || access(dir.c_str(), W_OK) == 0) return beside;
  // Installed into a system folder: keep the settings per user instead.
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    config = std::string(home) + "/.config";
  } else {
    return beside;
  }
  const std::string folder = config + "/quiret";
  // The folder may be missing on a fresh account; the file itself is made at the first write.
  std::string partial;
  for (size_t pos = 0; pos != std::string::npos;) {
    pos = folder.find('/', pos + 1);
    partial = folder.substr(0, pos);
    if (!partial.empty() && !DirectoryExists(partial)) mkdir(partial.c_str(), 0700);
  }
  return folder + "/quiret.ini";
}

TColor TFormBase::ReadColor(const IniDocument& ini, const std::string& key, TColor def) {
  const std::string text = ini.ReadString("Edit", key, ColorText(def));
  TColor value = def;
  if (!ParseHexColor(text, value)) {
    // Reported, then the default is used so that start-up goes on.
    ui_.Boxes.ShowError("'$" + text + "' は有効な整数値ではありません。");
    return def;
  }
  return value;
}

void TFormBase::ApplyTabWidthChecks(int width) {
  for (const char* item : {"MmTabFit", "MmTab60", "MmTab80", "MmTab100", "MmTab120"}) checks_[item] = false;
  switch (width) {
    case 60:
      checks_["MmTab60"] = true;
      break;
    case 80:
      checks_["MmTab80"] = true;
      break;
    case 100:
      checks_["MmTab100"] = true;
      break;
    case 120:
      checks_["MmTab120"] = true;
      break;
    default:
      checks_["MmTabFit"] = true;
      break;
  }
}

void TFormBase::ApplyTabStyleChecks(int style) {
  checks_["MmStyleTab"] = style != 1 && style != 2;
  checks_["MmStyleButton"] = style == 1;
  checks_["MmStyleFlat"] = style == 2;
}

void TFormBase::ReadSettings(const IniDocument& ini) {
  TWindowBounds b;
  b.Top = ini.ReadInteger("Window", "Top", 10);
  b.Left = ini.ReadInteger("Window", "Left", 10);
  b.Height = ini.ReadInteger("Window", "Height", 400);
  b.Width = ini.ReadInteger("Window", "Width", 600);
  ui_.Window.SetBounds(b);
  // The bounds just set become the restore bounds of the maximized window.
  if (ini.ReadBool("Window", "Maximized", false)) ui_.Window.SetMaximized(true);

  FontName = ini.ReadString("Edit", "FontName", "ＭＳ ゴシック");
  FontSize = std::clamp(ini.ReadInteger("Edit", "FontSize", 12), kMinFontSize, kMaxFontSize);
  FontColor = ReadColor(ini, "FontColor", 0x00000000);
  BGColor = ReadColor(ini, "BGColor", 0x00F6F6F6);
  MKColor = ReadColor(ini, "MKColor", 0x00808040);
  SLColor = ReadColor(ini, "SLColor", 0x00FF8000);
  LinkColor = ReadColor(ini, "LinkColor", 0x00FF0000);
  checks_["MmScroll"] = ini.ReadBool("Edit", "TurnUp", true);

  const int width = std::clamp(ini.ReadInteger("Tab", "Width", 0), 0, kMaxTabWidth);
  ui_.Strip.SetTabWidth(width);  // applied even when no menu item matches it
  ApplyTabWidthChecks(width);

  const int style = ini.ReadInteger("Tab", "Style", 0);
  ui_.Strip.SetTabStyle(style == 1 || style == 2 ? style : 0);
  ApplyTabStyleChecks(style);

  // Buttons exist only on top.
  if (ui_.Strip.TabStyle() != 0)
    ui_.Strip.SetTabPosition(0);
  else
    ui_.Strip.SetTabPosition(ini.ReadInteger("Tab", "Pos", 0) == 1 ? 1 : 0);
  checks_["MmTabBottom"] = ui_.Strip.TabPosition() != 0;
  checks_["MmTabTop"] = ui_.Strip.TabPosition() == 0;

  checks_["MmCloseOpt"] = ini.ReadBool("Tab", "CloseActive", false);
  checks_["MmCloseAsk"] = ini.ReadBool("Tab", "CloseAsk", true);
  checks_["MmFileMemory"] = ini.ReadBool("Tab", "StateSave", true);
  checks_["MmAutoClipOpen"] = ini.ReadBool("Tab", "AutoClipLoad", false);
  recent_.Read(ini);
  FindHistory.Read(ini);
  ReadEncodingSettings(ini);
}

void TFormBase::WriteSettings(IniDocument& ini) {
  ini.EraseSection("Window");
  if (ui_.Window.IsMaximized()) {
    ini.WriteBool("Window", "Maximized", true);
  } else {
    const TWindowBounds b = ui_.Window.Bounds();
    ini.WriteBool("Window", "Maximized", false);
    ini.WriteInteger("Window", "Top", b.Top);
    ini.WriteInteger("Window", "Left", b.Left);
    ini.WriteInteger("Window", "Height", b.Height);
    ini.WriteInteger("Window", "Width", b.Width);
  }

  ini.EraseSection("Edit");
  ini.WriteString("Edit", "FontName", FontName);
  ini.WriteInteger("Edit", "FontSize", FontSize);
  ini.WriteString("Edit", "FontColor", ColorText(FontColor));
  ini.WriteString("Edit", "BGColor", ColorText(BGColor));
  ini.WriteString("Edit", "MKColor", ColorText(MKColor));
  ini.WriteString("Edit", "SLColor", ColorText(SLColor));
  ini.WriteString("Edit", "LinkColor", ColorText(LinkColor));
  ini.WriteBool("Edit", "TurnUp", Checked("MmScroll"));

  ini.EraseSection("Tab");
  ini.WriteInteger("Tab", "Width", ui_.Strip.TabWidth());
  ini.WriteInteger("Tab", "Style", ui_.Strip.TabStyle());
  ini.WriteInteger("Tab", "Pos", ui_.Strip.TabPosition());
  ini.WriteBool("Tab", "CloseActive", Checked("MmCloseOpt"));
  ini.WriteBool("Tab", "CloseAsk", Checked("MmCloseAsk"));
  ini.WriteBool("Tab", "StateSave", Checked("MmFileMemory"));
  ini.WriteBool("Tab", "AutoClipLoad", Checked("MmAutoClipOpen"));

  ini.EraseSection("File");
  std::vector<const TTabSheet*> listed;
  if (Checked("MmFileMemory")) {
    int n = 0;
    for (const auto& tab : tabs_) {
      if (tab->Hint == kNewFileHint) continue;
      // A line break would split the entry in two; such a name cannot be listed.
      if (tab->Hint.find_first_of("\r\n") != std::string::npos) continue;
      ini.WriteString("File", "File" + std::to_string(++n), tab->Hint);
      listed.push_back(tab.get());
    }
    ini.WriteInteger("File", "Num", n);
  }
  recent_.Write(ini);
  FindHistory.Write(ini);
  WriteEncodingSettings(ini, listed);
}

// A section of our own: the switches, and per reopen-list entry the encoding it was read
// in, with its path, so that a list written by a program that knows nothing of it is
// never taken for another file's.
void TFormBase::ReadEncodingSettings(const IniDocument& ini) {
  checks_["MmAutoEncoding"] = ini.ReadBool("Encoding", "AutoOpen", true);
  checks_["MmKeepLineEnds"] = ini.ReadBool("Encoding", "KeepLineEnds", false);
}

void TFormBase::WriteEncodingSettings(IniDocument& ini, const std::vector<const TTabSheet*>& listed) {
  ini.EraseSection("Encoding");
  ini.WriteBool("Encoding", "AutoOpen", Checked("MmAutoEncoding"));
  ini.WriteBool("Encoding", "KeepLineEnds", Checked("MmKeepLineEnds"));
  ini.EraseSection("FileEncoding");
  for (std::size_t n = 0; n < listed.size(); ++n) {
    if (const std::optional<Encoding> e = KeptEncoding(*listed[n]))
      ini.WriteString("FileEncoding", "File" + std::to_string(n + 1),
                      std::string(EncodingIconvName(*e)) + " " + listed[n]->Hint);
  }
}

std::optional<Encoding> TFormBase::KeptEncoding(const TTabSheet& tab) {
  // What was asked for, else what was found; Shift-JIS found is what any start finds.
  if (tab.AskedEncoding) return tab.AskedEncoding;
  if (tab.Format.Enc != Encoding::ShiftJis) return tab.Format.Enc;
  return std::nullopt;
}

std::optional<Encoding> TFormBase::ListedEncoding(const IniDocument& ini, int n, const std::string& path) {
  const std::string entry = ini.ReadString("FileEncoding", "File" + std::to_string(n), "");
  const std::size_t space = entry.find(' ');
  if (space == std::string::npos || entry.substr(space + 1) != path) return std::nullopt;
  return EncodingFromName(entry.substr(0, space));
}

}  // namespace quiret
