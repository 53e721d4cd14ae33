// Line store: any bytes load into a sound row model, and saved text reloads to the same rows.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fuzz/FuzzInput.h"
#include "text/LumoStrings.h"

using quiret::TLumoStrings;
using quiret::fuzz::Hex;

namespace {

std::vector<std::string> RowsOf(const TLumoStrings& s) {
  std::vector<std::string> rows;
  for (std::int32_t i = 0; i < s.Count(); ++i) rows.emplace_back(s.Get(i));
  return rows;
}

// Loads through a real file now and then: the file path has its own open and read steps.
void LoadFile(TLumoStrings& s, std::string_view bytes) {
  char name[] = "/tmp/quiret-fuzz-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  close(fd);
  try {
    s.LoadFromFile(name);
  } catch (...) {
    unlink(name);
    throw;
  }
  unlink(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TLumoStrings s;
  try {
    if (size > 0 && data[0] == 'F')
      LoadFile(s, bytes);
    else {
      std::istringstream in{std::string(bytes)};
      s.LoadFromStream(in);
    }
  } catch (const std::exception& e) {
    // A refused load must still leave a sound model.
    const std::string fault = s.CheckInvariant();
    FUZZ_CHECK(fault.empty(), fault);
    return 0;
  }
  std::string fault = s.CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault + " after loading " + Hex(bytes));
  const std::vector<std::string> rows = RowsOf(s);

  std::ostringstream out;
  s.SaveToStream(out);
  TLumoStrings again;
  std::istringstream in2(out.str());
  again.LoadFromStream(in2);
  fault = again.CheckInvariant();
  FUZZ_CHECK(fault.empty(), fault + " after reloading " + Hex(out.str()));
  FUZZ_CHECK(RowsOf(again) == rows,
             "saved " + Hex(out.str()) + " reloads to other rows; input " + Hex(bytes));
  return 0;
}
