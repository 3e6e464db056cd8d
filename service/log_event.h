// Failure reports of the touch service: the event log, or time-stamped console lines in debug
// mode, with a throttle that keeps a failing service from flooding the event log.
#pragma once

#include <windows.h>
#include <stddef.h>

#include "resource.h"

// Set once by -debug before a second thread exists: console instead of the event log, trace
// lines on, no status reports to the service control manager.
void SetDebugMode(bool on);
bool DebugMode();

// Console output as one write per call, flushed, so that the lines of two threads never mix
// and reach a pipe at once.
void ConsolePrint(const char* format, ...);
// ConsolePrint in debug mode only.
void TracePrint(const char* format, ...);

// The system's text for error, without its line break; false when the system has none.
bool SystemErrorText(DWORD error, char* text, size_t capacity);

// Starts counting error reports again; the service entry calls it before each start.
void ResetErrorThrottle();

// Reports message id with the system text of error (0 = none) as its insertion string.
void LogEvent(DWORD error, DWORD id);

// Where service-mode reports go. Wine's event log keeps nothing that could be read back, so tests
// put a recorder here; NULL restores the event log.
typedef void (*EventSink)(WORD type, DWORD id, WORD stringCount, const char** strings);
void SetEventSink(EventSink sink);
