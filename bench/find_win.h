// Finding and filtering at the bench's fullest list, every column shown.
#pragma once

#include <windows.h>

// Types a text into the Find window's filter a key at a time, and deletes it
// again, each key timed until the list is drawn again; then Find Next with a
// text no row has, timed. Prints the figures against their targets, and the
// process's peak working set. `list` is the result list, full, with every
// column shown.
void PrintFindAndFilter(HWND list);
