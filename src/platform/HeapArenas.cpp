#include "HeapArenas.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void useOneHeapArena() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}
