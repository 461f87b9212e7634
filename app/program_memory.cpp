#include "app/program_memory.h"

#include <malloc.h>

namespace zorvel::app {

void KeepLargeBuffersBetweenDraws() {
  // Blocks up to 64 MiB come from the heap, and the heap keeps up to 256 MiB free at its
  // top: the few full-screen buffers of a draw stay with the program, which holds them
  // anyway while the prize is shown.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace zorvel::app
