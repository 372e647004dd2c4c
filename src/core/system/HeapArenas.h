#pragma once

// The C library's heap: one arena for every thread (glibc). Each of the
// decoder's threads would otherwise get an arena of its own, whose free
// memory the library keeps, up to megabytes each, and more of them as songs
// go by. Called first thing in main(), before any thread starts.
void useOneHeapArena();
