// EIndexReadRestart: raised by a page read that had to take the table's read lock and found
// another user's change. The table has then emptied its caches; the operation that was walking
// the tree starts again from the root. The cursor's restart loop catches it; it is not an
// engine error and never reaches the user.
#pragma once

namespace sklad {

struct EIndexReadRestart {};

}  // namespace sklad
