// Reading a replacement template into the engine's syntax.
#include "editor/ReplaceTemplate.h"

#include "editor/RegexText.h"

namespace quiret {

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A fragment of the template for a message.
std::string Shown(std::string_view cp932) {
  std::string utf8;
  std::vector<std::size_t> map;
  ToUtf8Mapped(cp932, utf8, map);
  return "「" + utf8 + "」";
}

// The character at i (one or two bytes).
std::string_view CharAt(std::string_view t, std::size_t i) {
  const std::size_t n = IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
  return t.substr(i, n);
}

}  // namespace

ReplaceTemplate ParseReplaceTemplate(std::string_view t) {
  ReplaceTemplate r;
  auto group = [&r](int number, std::string_view written) {
    r.refs.push_back(ReplaceTemplate::Ref{number, {}, std::string(written)});
    r.engine += "${" + std::to_string(number) + "}";
  };
  auto fail = [&r](std::string text) {
    r.error = std::move(text);
    r.engine.clear();
    return r;
  };
  for (std::size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (IsLead(static_cast<unsigned char>(c)) && i + 1 < t.size()) {
      r.engine.append(t.substr(i, 2));
      i += 2;
    } else if (c == '\\') {
      if (i + 1 >= t.size())
        return fail("置換文字列が「\\」で終わっています。「\\」そのものは「\\\\」と書きます。");
      const char e = t[i + 1];
      if (IsDigit(e)) {
        group(e - '0', t.substr(i, 2));
      } else if (e == '\\') {
        r.engine += '\\';
      } else if (e == 'n') {
        r.engine += "\r\n";
      } else if (e == 't') {
        r.engine += '\t';
      } else {
        return fail("置換文字列の" + Shown(std::string("\\") + std::string(CharAt(t, i + 1))) +
                    "は使えません。「\\」そのものは「\\\\」と書きます。");
      }
      i += 2;
    } else if (c == '$') {
      if (i + 1 >= t.size())
        return fail("置換文字列が「$」で終わっています。「$」そのものは「$$」と書きます。");
      const char e = t[i + 1];
      if (e == '$') {
        r.engine += "$$";
        i += 2;
      } else if (IsDigit(e)) {
        // Two digits at most: "$123" is group 12 followed by "3".
        const std::size_t n = i + 2 < t.size() && IsDigit(t[i + 2]) ? 2 : 1;
        group(std::stoi(std::string(t.substr(i + 1, n))), t.substr(i, n + 1));
        i += 1 + n;
      } else if (e == '{') {
        const std::size_t close = t.find('}', i + 2);
        if (close == std::string_view::npos) return fail("置換文字列の「${」が「}」で閉じていません。");
        const std::string_view inner = t.substr(i + 2, close - i - 2);
        const std::string_view written = t.substr(i, close - i + 1);
        if (inner.empty()) return fail("置換文字列の「${}」にグループの番号か名前がありません。");
        if (inner.find_first_not_of("0123456789") == std::string_view::npos) {
          if (inner.size() > 2) return fail("置換文字列の" + Shown(written) + "の番号が大きすぎます。");
          group(std::stoi(std::string(inner)), written);
        } else {
          r.refs.push_back(ReplaceTemplate::Ref{-1, std::string(inner), std::string(written)});
          r.engine.append("${").append(inner).append("}");
        }
        i = close + 1;
      } else {
        return fail("置換文字列の" + Shown(std::string("$") + std::string(CharAt(t, i + 1))) +
                    "は使えません。「$」そのものは「$$」と書きます。");
      }
    } else {
      r.engine += c;
      ++i;
    }
  }
  return r;
}

}  // namespace quiret
