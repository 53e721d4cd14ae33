// Files in other encodings: any bytes decode to the same text, problem and format wherever
// the blocks are cut, and a text said to write back exactly does write back as the bytes.
#include <tuple>

#include "fuzz/FuzzInput.h"
#include "text/FileDecoder.h"
#include "text/FileEncoder.h"

using quiret::DecodeProblem;
using quiret::Encoding;
using quiret::FileDecoder;
using quiret::FileEncoder;
using quiret::fuzz::Hex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quiret::fuzz::Input in(data, size);
  constexpr Encoding kEncodings[] = {Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be, Encoding::EucJp,
                                     Encoding::Iso2022Jp};
  const Encoding e = kEncodings[in.Range(0, 4)];
  const int maxBlock = in.Range(1, 16);
  const std::string_view file = in.Rest();
  auto decode = [&](std::size_t block) {
    FileDecoder d(e);
    std::string out;
    for (std::size_t at = 0; at < file.size(); at += block) d.Feed(file.substr(at, block), out);
    d.Finish(out);
    const DecodeProblem& p = d.Problem();
    return std::tuple{out, p.What, p.Line, p.Char, p.Bytes, d.Format()};
  };
  const auto whole = decode(file.size() + 1);
  FUZZ_CHECK(decode(static_cast<std::size_t>(maxBlock)) == whole, "blocks change the result of " + Hex(file));
  if (std::get<1>(whole) != DecodeProblem::Kind::None) return 0;
  const quiret::TextFormat format = std::get<5>(whole);
  FileEncoder encoder(e, format.JisForms);
  std::string back(format.Bom ? quiret::BomBytes(e) : "");
  std::size_t bad = 0;
  FUZZ_CHECK(encoder.Put(std::get<0>(whole), back, bad), "no way back for " + Hex(file));
  encoder.Finish(back);
  FUZZ_CHECK(back == file, "written back as " + Hex(back) + " from " + Hex(file));
  return 0;
}
