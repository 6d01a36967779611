#pragma once

namespace kestrin {

// Makes every large block (a list, the scan cache) go back to the system when it is freed.
// The C library otherwise raises its limit for that to the size of each such block freed,
// and the next large blocks then come from the heap and keep their room after they are
// freed: a run of 100 000 shortcuts peaked 12 MB higher.
void ReturnLargeBlocksWhenFreed();

}  // namespace kestrin
