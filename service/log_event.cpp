#include "log_event.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "svc_names.h"

namespace
{

// The 100th report with an error becomes a notice; later ones are dropped.
const LONG ThrottleNotice = 100;
const size_t MessageBufferSize = 1024;

bool g_debugMode = false;
volatile LONG g_throttle = 1;

void ReportToEventLog(WORD type, DWORD id, WORD stringCount, const char** strings)
{
    HANDLE source = RegisterEventSourceA(NULL, ServiceDisplayName);
    if (source == NULL)
        return;
    ReportEventA(source, type, 0, id, NULL, stringCount, 0, strings, NULL);
    DeregisterEventSource(source);
}

EventSink g_sink = ReportToEventLog;

// Cuts a trailing line break.
void CutLineBreak(char* text, size_t length)
{
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        --length;
    text[length] = '\0';
}

void VConsolePrint(const char* format, va_list args)
{
    char line[MessageBufferSize];
    vsnprintf(line, sizeof(line), format, args);
    line[sizeof(line) - 1] = '\0';
    fputs(line, stdout);
    fflush(stdout);
}

// The counter value this report takes; above the notice nothing is counted any more, so the
// counter cannot wrap around into logging again.
LONG TakeThrottleTicket()
{
    for (;;) {
        LONG current = g_throttle;
        if (current > ThrottleNotice)
            return current;
        if (InterlockedCompareExchange(&g_throttle, current + 1, current) == current)
            return current;
    }
}

WORD EventType(DWORD id)
{
    static const WORD types[4] = {EVENTLOG_SUCCESS, EVENTLOG_INFORMATION_TYPE,
                                  EVENTLOG_WARNING_TYPE, EVENTLOG_ERROR_TYPE};
    return types[id >> 30];
}

void PrintReport(DWORD id, const char** strings)
{
    char text[MessageBufferSize];
    DWORD_PTR args[2] = {reinterpret_cast<DWORD_PTR>(strings[0]),
                         reinterpret_cast<DWORD_PTR>(strings[1])};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, NULL, id, 0,
                       text, sizeof(text), reinterpret_cast<va_list*>(args)) == 0) {
        ConsolePrint("Cannot format message: Error %u.\n", static_cast<unsigned>(GetLastError()));
        return;
    }
    // The table's texts bring their own line break.
    SYSTEMTIME now;
    GetSystemTime(&now);
    ConsolePrint("%02u:%02u:%02u.%03u: %s", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                 text);
}

} // namespace

void SetDebugMode(bool on)
{
    g_debugMode = on;
}

bool DebugMode()
{
    return g_debugMode;
}

void ConsolePrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    VConsolePrint(format, args);
    va_end(args);
}

void TracePrint(const char* format, ...)
{
    if (!g_debugMode)
        return;
    va_list args;
    va_start(args, format);
    VConsolePrint(format, args);
    va_end(args);
}

bool SystemErrorText(DWORD error, char* text, size_t capacity)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  error, 0, text, static_cast<DWORD>(capacity), NULL);
    if (length == 0)
        return false;
    CutLineBreak(text, length);
    return true;
}

void ResetErrorThrottle()
{
    InterlockedExchange(&g_throttle, 1);
}

void LogEvent(DWORD error, DWORD id)
{
    const char* strings[2] = {"?", "?"};
    WORD stringCount = 0;
    char errorText[MessageBufferSize];

    // Free text is for the console only.
    if (id == MSG_TEXT && !g_debugMode)
        return;
    if (error != 0) {
        LONG ticket = TakeThrottleTicket();
        if (ticket > ThrottleNotice)
            return;
        if (ticket == ThrottleNotice) {
            id = MSG_TOO_MANY_ERRORS;
            error = 0;
        }
    }
    if (error != 0) {
        if (SystemErrorText(error, errorText, sizeof(errorText))) {
            // The message table's text brings its own period.
            size_t length = strlen(errorText);
            if (length > 0 && errorText[length - 1] == '.')
                errorText[length - 1] = '\0';
        } else {
            snprintf(errorText, sizeof(errorText), "Error %u", static_cast<unsigned>(error));
        }
        strings[0] = errorText;
        stringCount = 1;
    }
    if (g_debugMode)
        PrintReport(id, strings);
    else
        g_sink(EventType(id), id, stringCount, strings);
}

void SetEventSink(EventSink sink)
{
    g_sink = sink ? sink : ReportToEventLog;
}
