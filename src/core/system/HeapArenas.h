#pragma once

#include <cstddef>

// The C library's heap: one arena for every thread (glibc). Each of the
// decoder's threads would otherwise get an arena of its own, whose free
// memory the library keeps, up to megabytes each, and more of them as songs
// go by. Called first thing in main(), before any thread starts.
void useOneHeapArena();

// Readies the heap for about bytes of small allocations that another thread
// is about to make (the start-up's playlist, made on the window's thread):
// the pages they will take are faulted in here, so that the thread that
// makes them does not stop at the kernel for each one. Large blocks up to
// that size come from the heap from then on, and the heap keeps up to twice
// that much free memory, as glibc's own adjustment would have it after such
// a block.
void prepareHeap(std::size_t bytes);
