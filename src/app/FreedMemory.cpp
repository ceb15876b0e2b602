#include "app/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void FreedMemory::ReturnToSystem()
{
#if defined(__GLIBC__)
    // Releases free pages inside the heap as well as its top; other C libraries and Windows'
    // heap give large freed blocks back on their own.
    malloc_trim(0);
#endif
}
