#pragma once

// The kiosk decodes camera photos on a worker per display and hands each
// picture, several megabytes, to the main thread. With the C library's
// defaults every worker keeps an allocator arena of its own and the freed
// pictures stay in those arenas, so resident memory climbs far above what is
// in use. Called first thing in main(), before any thread starts; the
// benchmarks call it too, so they measure what the kiosk does.
namespace MemoryTuning {

// Sets the allocator for large pictures: blocks of a megabyte or more are
// mapped on their own and go back to the system when freed, and the number
// of arenas is bounded. A setting the environment already makes (MALLOC_*_)
// is left to it. Does nothing where the C library is not glibc.
void tuneAllocatorForLargeImages();

} // namespace MemoryTuning
