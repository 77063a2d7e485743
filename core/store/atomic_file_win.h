// Windows only: the wait between two tries of a rename that a reader of the target blocks,
// which tests replace to count the tries and let the reader go.
#pragma once

#include <functional>

namespace tk {

// Waits waitMs before the next try of the rename.
using ReplaceWaitHook = std::function<void(int waitMs)>;

// Puts hook in place of the wait (Sleep) and hands back the one it replaces; an empty one
// brings back Sleep.
ReplaceWaitHook SetReplaceWaitHook(ReplaceWaitHook hook);

}  // namespace tk
