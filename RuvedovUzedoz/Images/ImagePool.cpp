#include "ImagePool.h"

#include <QThreadPool>
#include <malloc.h>

namespace RuvedovUzedoz {

namespace {

// glibc serves blocks of up to 32 MB from its arenas once a block that large has been freed, and each
// decoding thread's arena then keeps the scattered free blocks of its last picture: about 60 MB per core
// on 24-megapixel photos. A fixed threshold sends every block of a megabyte or more straight to the
// system and back, which keeps that memory down as well as one arena for the whole process did, without
// making every thread's small allocations queue for that one arena (1000 small pictures took 1.5 times
// as long). It must be in force before the pictures' threads allocate, so it is set when the program
// loads.
[[maybe_unused]] const int largeBlocksMapped = mallopt(M_MMAP_THRESHOLD, 1 << 20);

} // namespace

QThreadPool& imagePool()
{
    // One thread per core by default; being a static, the pool waits for its work at exit.
    static QThreadPool pool;
    return pool;
}

} // namespace RuvedovUzedoz
