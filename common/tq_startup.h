// What every program does first thing in its entry.
#pragma once

// Libraries that the program or the system loads by name from here on come from the system
// folder only: never from the current folder, nor from a file planted beside the program.
void RestrictLibrarySearch();
