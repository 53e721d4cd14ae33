// How many bytes of undo history a document gets: room for undoing a change of the whole
// text, within what the machine can spare.
#pragma once

#include <cstdint>

namespace quiret {

inline constexpr std::int64_t kUndoRoomFloor = std::int64_t{64} << 20;

// The larger of kUndoRoomFloor and twice the document, capped at a quarter of the physical
// memory (no cap when that is unknown, 0).
std::int64_t UndoRoomFor(std::uint64_t documentBytes, std::uint64_t physicalBytes);

}  // namespace quiret
