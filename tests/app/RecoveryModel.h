// A plain-string model of a text and random changes to it, as a journal records them: for
// checking what a journal rebuilds against what the text was.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "app/RecoveryFormat.h"
#include "app/RecoveryJournal.h"
#include "text/LumoStrings.h"

namespace quiret::test {

struct TextModel {
  std::string text;  // logical text, CR LF between lines

  // The logical position of a byte offset.
  void PositionOf(std::size_t at, std::int32_t& line, std::int32_t& offset) const {
    line = 0;
    std::size_t lineStart = 0;
    for (std::size_t i = text.find("\r\n"); i != std::string::npos && i < at; i = text.find("\r\n", i + 2)) {
      ++line;
      lineStart = i + 2;
    }
    offset = static_cast<std::int32_t>(at - lineStart);
  }

  // A byte offset that does not split a CR LF pair.
  std::size_t Boundary(std::mt19937& rng) const {
    std::size_t at = rng() % (text.size() + 1);
    if (at > 0 && at < text.size() && text[at - 1] == '\r') --at;
    return at;
  }

  // A random change: applied to the model and handed to `record` as the journal sees it.
  template <typename Record>
  void RandomChange(std::mt19937& rng, Record record, std::size_t bigInsert = 0) {
    static const char* const pieces[] = {"a",  "xyz ", "\r\n",     "\x82\xa0\x82\xa2",
                                         "\t", "\xb1", "\r\n\r\n", "0"};
    std::size_t from = Boundary(rng);
    std::size_t to = from;
    if (rng() % 2) {
      to = std::min(text.size(), from + rng() % 12);
      if (rng() % 16 == 0) to = Boundary(rng);
      if (to < from) std::swap(from, to);
      if (to > 0 && to < text.size() && text[to - 1] == '\r') ++to;  // keep CR LF whole
    }
    std::string inserted;
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) inserted += pieces[rng() % 8];
    if (bigInsert && rng() % 8 == 0) inserted.append(bigInsert, static_cast<char>('A' + rng() % 26));
    std::int32_t line, offset;
    PositionOf(from, line, offset);
    const std::string removed = text.substr(from, to - from);
    text.replace(from, to - from, inserted);
    record(line, offset, removed, inserted);
  }

  std::uint64_t Size() const { return text.size(); }
};

// The model's text as a snapshot source.
inline TextSource SourceOf(const TextModel& model) {
  return TextSource{[&model] { return static_cast<std::uint64_t>(model.text.size()); },
                    [&model](const std::function<void(std::string_view)>& sink) {
                      const std::string_view t(model.text);
                      for (std::size_t at = 0; at < t.size(); at += 1000) sink(t.substr(at, 1000));
                    }};
}

// Rows holding `text` one line per row, as a load leaves them.
inline std::unique_ptr<TLumoStrings> RowsOf(const std::string& text) {
  auto rows = std::make_unique<TLumoStrings>();
  rows->SetText(text + std::string(TLumoStrings::kEndMarker));
  return rows;
}

}  // namespace quiret::test
