// The result list's columns shown and hidden at the bench's fullest list.
#pragma once

#include <windows.h>

// Hides a column and shows it again through the header menu's command, each
// timed from the command to the list drawn again, and prints the medians
// against the target. `list` is the result list, full.
void PrintColumnsShownAndHidden(HWND list);
