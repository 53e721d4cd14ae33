// The undo history's room for a document.
#include "app/UndoRoom.h"

#include <algorithm>

namespace quiret {

std::int64_t UndoRoomFor(std::uint64_t documentBytes, std::uint64_t physicalBytes) {
  std::uint64_t room = std::max<std::uint64_t>(kUndoRoomFloor, documentBytes * 2);
  if (physicalBytes > 0) room = std::min(room, physicalBytes / 4);
  return static_cast<std::int64_t>(std::min<std::uint64_t>(room, INT64_MAX));
}

}  // namespace quiret
