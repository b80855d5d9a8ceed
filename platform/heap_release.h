// How the allocator treats the large buffers a conversion holds (a file's bytes, its text).
#pragma once

namespace platform {

// From the first call on, a buffer of a megabyte or more is mapped from the system on its own
// and given back when freed. The allocator would otherwise keep such memory, once freed, in the
// heap of the thread that freed it, so that each worker of a run keeps the peak of the largest
// file it converted and a run's memory grows with its number of workers.
void giveLargeBuffersBack();

} // namespace platform
