// The code page 932 lead-byte test: the one rule of which bytes start a double-byte character.
#pragma once

namespace quiret {

// 0x81-0x9F, 0xE0-0xFC. Inline: the measuring loops test every byte with it.
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace quiret
