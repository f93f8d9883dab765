#include "platform/MemoryTuning.h"

#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__GLIBC__)
// Smaller than any picture and any decoder's band buffer, larger than the
// many small objects of the user interface.
constexpr int kMmapThresholdBytes = 1024 * 1024;
// Decoders, the GUI thread and the software renderer's threads share these.
constexpr int kArenaMax = 2;

void setUnlessInEnvironment(const char *variable, int option, int value)
{
    if (std::getenv(variable) == nullptr) {
        mallopt(option, value);
    }
}
#endif

} // namespace

void MemoryTuning::tuneAllocatorForLargeImages()
{
#if defined(__GLIBC__)
    // A fixed threshold also stops glibc from raising it after the first
    // large free, which would put every later picture into the arenas again.
    setUnlessInEnvironment("MALLOC_MMAP_THRESHOLD_", M_MMAP_THRESHOLD, kMmapThresholdBytes);
    setUnlessInEnvironment("MALLOC_ARENA_MAX", M_ARENA_MAX, kArenaMax);
#endif
}
