// Settings: any bytes as the settings file; the shell starts with them and exits.
#include <fstream>

#include "fuzz/FuzzInput.h"
#include "tests/support/TestShell.h"

using namespace quiret;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Large files add no new rules, only time per run.
  if (size > 64 * 1024) return 0;
  TestShell s;
  {
    std::ofstream out(s.settingsPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  s.process.args = {s.Path("quiret")};
  TFormBase& f = s.Start();
  if (f.FormCloseQuery()) f.FormClose();
  return 0;
}
