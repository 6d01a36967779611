#include "platform/large_blocks.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace kestrin {

void ReturnLargeBlocksWhenFreed() {
#if defined(M_MMAP_THRESHOLD)
  // Setting the limit keeps it where it is: 128 KiB, the C library's own starting value.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

}  // namespace kestrin
