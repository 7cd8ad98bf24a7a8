#include "platform/real/RealPlatform.h"

#include <malloc.h>

#include "platform/qt/QtApplication.h"

namespace platform::real {

void PrepareProcess() {
  // Blocks of a quarter megabyte and more come straight from the system and go back to
  // it when freed. By default the allocator raises that limit as such blocks are freed,
  // and then keeps every large temporary (a manifest's body text and its copies) in the
  // process for good.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  qt::PrepareWebEngine();
}

}  // namespace platform::real
