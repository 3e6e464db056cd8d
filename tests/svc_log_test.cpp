// LogEvent: the throttle against a device that fails every click code, the inserted system
// text, the event types, the debug line, and the compiled message table of TqTouchSvc.exe.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "log_event.h"
#include "sim_client.h"
#include "svc_support.h"
#include "watcher.h"

namespace
{

const uint32_t StatusDeviceNotReady = 0xC00000A3; // ERROR_NOT_READY in user mode

std::string SystemText(DWORD error)
{
    char text[1024];
    EXPECT_TRUE(SystemErrorText(error, text, sizeof(text)));
    return text;
}

class SvcLogEvent : public testing::Test
{
  protected:
    void SetUp() override
    {
        ResetErrorThrottle();
        SetDebugMode(false);
    }
    void TearDown() override
    {
        SetDebugMode(false);
        ResetErrorThrottle();
    }
    EventRecorder recorder;
};

TEST_F(SvcLogEvent, FailingDeviceGives99ErrorsOneNoticeThenSilence)
{
    const int rounds = 75; // a disable and an enable each: 150 failing codes
    ASSERT_TRUE(SimResetCounters(0)) << GetLastError();
    ASSERT_TRUE(SimFailNext(0, SimDisableClicks, rounds, StatusDeviceNotReady));
    ASSERT_TRUE(SimFailNext(0, SimEnableClicks, rounds, StatusDeviceNotReady));
    for (int i = 0; i < rounds; ++i) {
        SetTouchClicks(false);
        SetTouchClicks(true);
    }
    SimState state = {};
    ASSERT_TRUE(SimReadState(0, &state));
    EXPECT_EQ(static_cast<uint32_t>(rounds), state.requests[SimDisableClicks]);
    EXPECT_EQ(static_cast<uint32_t>(rounds), state.requests[SimEnableClicks]);

    std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(100u, events.size());
    const std::string notReady = SystemText(ERROR_NOT_READY);
    for (size_t i = 0; i < 99; ++i) {
        EXPECT_EQ(0xC0000007u, events[i].id) << i;
        EXPECT_EQ(EVENTLOG_ERROR_TYPE, events[i].type) << i;
        ASSERT_EQ(1u, events[i].strings.size()) << i;
        EXPECT_EQ(notReady.substr(0, notReady.size() - 1), events[i].strings[0]) << i;
    }
    EXPECT_EQ(0x40000003u, events[99].id);
    EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, events[99].type);
    EXPECT_TRUE(events[99].strings.empty());

    // Reports without an error are never dropped; a new start counts from the beginning.
    LogEvent(0, 0xC0000007);
    EXPECT_EQ(101u, recorder.Events().size());
    ResetErrorThrottle();
    for (int i = 0; i < 120; ++i)
        LogEvent(ERROR_NOT_READY, 0xC0000007);
    EXPECT_EQ(99u + 1u + 99u, recorder.Count(0xC0000007));
    EXPECT_EQ(2u, recorder.Count(0x40000003));
}

TEST_F(SvcLogEvent, ReportsWithoutAnErrorAreNeverCounted)
{
    for (int i = 0; i < 250; ++i)
        LogEvent(0, 0xC0000004);
    for (int i = 0; i < 99; ++i)
        LogEvent(ERROR_ACCESS_DENIED, 0xC0000004);
    std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(349u, events.size());
    EXPECT_TRUE(events[0].strings.empty());
    EXPECT_EQ(1u, events.back().strings.size());
    EXPECT_EQ(0u, recorder.Count(0x40000003));
}

TEST_F(SvcLogEvent, SystemTextLosesItsLineBreakAndPeriod)
{
    char raw[1024];
    ASSERT_NE(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                 ERROR_FILE_NOT_FOUND, 0, raw, sizeof(raw), NULL));
    const std::string full = raw;
    ASSERT_EQ(".\r\n", full.substr(full.size() - 3));

    LogEvent(ERROR_FILE_NOT_FOUND, 0xC0000007);
    // An error without a system text is named by its number.
    LogEvent(0x20001234, 0xC0000006);
    std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(2u, events.size());
    ASSERT_EQ(1u, events[0].strings.size());
    EXPECT_EQ(full.substr(0, full.size() - 3), events[0].strings[0]);
    EXPECT_EQ("Error 536875572", events[1].strings.at(0));

    // The entry as the event viewer shows it ends with the table's single period.
    HMODULE program =
        LoadLibraryExA(WindowsPath(TQ_SVC_EXE).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    DWORD_PTR args[1] = {reinterpret_cast<DWORD_PTR>(events[0].strings[0].c_str())};
    char shown[1024];
    ASSERT_NE(0u, FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                 program, 0xC0000007, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                 shown, sizeof(shown), reinterpret_cast<va_list*>(args)));
    FreeLibrary(program);
    EXPECT_EQ("Communication with touch screen driver failed: " + full.substr(0, full.size() - 3) +
                  ".\r\n",
              std::string(shown));
}

TEST_F(SvcLogEvent, EventTypeFollowsTheTopTwoBits)
{
    LogEvent(0, 0x00000009);
    LogEvent(0, 0x40000003);
    LogEvent(0, 0x80000009);
    LogEvent(0, 0xC0000008);
    std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ(EVENTLOG_SUCCESS, events[0].type);
    EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, events[1].type);
    EXPECT_EQ(EVENTLOG_WARNING_TYPE, events[2].type);
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, events[3].type);
    EXPECT_EQ(0xC0000008u, events[3].id);
}

TEST_F(SvcLogEvent, FreeTextNeverReachesTheEventLog)
{
    LogEvent(ERROR_ACCESS_DENIED, 0x40000002);
    LogEvent(0, 0x40000002);
    EXPECT_TRUE(recorder.Events().empty());
}

// Parses "HH:MM:SS.mmm: " and returns the milliseconds since midnight, or -1.
int StampMs(const std::string& line)
{
    unsigned h, m, s, ms;
    char colon = 0, blank = 0;
    if (line.size() < 14 ||
        sscanf(line.c_str(), "%2u:%2u:%2u.%3u%c%c", &h, &m, &s, &ms, &colon, &blank) != 6 ||
        colon != ':' || blank != ' ' || line[2] != ':' || line[8] != '.')
        return -1;
    return static_cast<int>(((h * 60 + m) * 60 + s) * 1000 + ms);
}

TEST_F(SvcLogEvent, DebugModePrintsTimeStampedLinesInstead)
{
    SetDebugMode(true);
    SYSTEMTIME before;
    GetSystemTime(&before);
    StdoutCapture capture;
    LogEvent(0, 0xC0000001);
    LogEvent(ERROR_FILE_NOT_FOUND, 0xC0000007);
    LogEvent(ERROR_ACCESS_DENIED, 0x40000002);
    LogEvent(0, 0xC0000002); // no such message
    const DWORD missing = GetLastError();
    const std::string output = capture.Finish();
    std::vector<std::string> lines = Lines(output);
    EXPECT_TRUE(recorder.Events().empty());

    ASSERT_EQ(4u, lines.size());
    const int now =
        ((before.wHour * 60 + before.wMinute) * 60 + before.wSecond) * 1000 + before.wMilliseconds;
    for (int i = 0; i < 3; ++i) {
        const int stamp = StampMs(lines[i]);
        ASSERT_GE(stamp, 0) << lines[i];
        // UTC, with three-digit milliseconds; a run across midnight is not worth a failure.
        EXPECT_LT(abs(stamp - now) % (24 * 3600 * 1000 - 5000), 5000) << lines[i];
    }
    EXPECT_EQ(": Start of service failed: ?.", lines[0].substr(12));
    const std::string fileNotFound = SystemText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(": Communication with touch screen driver failed: " + fileNotFound,
              lines[1].substr(12));
    const std::string denied = SystemText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(": " + denied.substr(0, denied.size() - 1), lines[2].substr(12));
    EXPECT_EQ("Cannot format message: Error " + std::to_string(ERROR_MR_MID_NOT_FOUND) + ".",
              lines[3]);
    // The line ends with the table's own CR LF, nothing added.
    EXPECT_NE(std::string::npos, output.find(": Start of service failed: ?.\r\n")) << output;
    EXPECT_EQ(std::string::npos, output.find(": Start of service failed: ?.\r\n\n")) << output;
    EXPECT_EQ(std::string::npos, output.find("failed: ?.\n")) << output;
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), missing);
}

// The compiled table of the program itself, as the event viewer reads it.
struct MessageEntry {
    DWORD id;
    std::wstring text;
};

std::vector<MessageEntry> ReadMessageTable(HMODULE module, WORD language)
{
    std::vector<MessageEntry> entries;
    HRSRC resource = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_MESSAGETABLE),
                                     MAKEINTRESOURCEW(1), language);
    if (!resource)
        return entries;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const MESSAGE_RESOURCE_DATA* table = reinterpret_cast<const MESSAGE_RESOURCE_DATA*>(data);
    for (DWORD b = 0; b < table->NumberOfBlocks; ++b) {
        const MESSAGE_RESOURCE_BLOCK& block = table->Blocks[b];
        const BYTE* entry = data + block.OffsetToEntries;
        for (DWORD id = block.LowId; id <= block.HighId; ++id) {
            const MESSAGE_RESOURCE_ENTRY* e =
                reinterpret_cast<const MESSAGE_RESOURCE_ENTRY*>(entry);
            std::wstring text;
            if (e->Flags & 1) {
                const wchar_t* chars = reinterpret_cast<const wchar_t*>(e->Text);
                text.assign(chars, (e->Length - 4) / 2);
            } else {
                const char* chars = reinterpret_cast<const char*>(e->Text);
                text.assign(chars, chars + (e->Length - 4));
            }
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
            entries.push_back({id, text});
            entry += e->Length;
        }
    }
    return entries;
}

TEST(SvcMessageTable, EnglishAndGermanWithTheSameIdsAndCrLfEndings)
{
    const std::vector<MessageEntry> english = {
        {0x40000002, L"%1"},
        {0x40000003, L"Too many errors occured. Event log of errors is disabled now. Restart the "
                     L"service to enable logging of errors again."},
        {0xC0000001, L"Start of service failed: %1."},
        {0xC0000004, L"Set service status failed: %1. The status of the service may be wrong in "
                     L"\"Services\"."},
        {0xC0000005, L"Creation of terminate event failed: %1."},
        {0xC0000006, L"Read of service parameters from the registry failed: %1."},
        {0xC0000007, L"Communication with touch screen driver failed: %1."},
        {0xC0000008, L"Read of monitor information failed: %1."},
    };
    const std::vector<MessageEntry> german = {
        {0x40000002, L"%1"},
        {0x40000003, L"Es sind zu viele Fehler aufgetreten. Die Ereignisanzeige der Fehler ist nun "
                     L"deaktiviert. Starten Sie den Dienst neu, damit die Fehler wieder angezeigt "
                     L"werden."},
        {0xC0000001, L"Der Dienst konnte nicht gestartet werden: %1."},
        {0xC0000004, L"Der Status des Dienstes konnte nicht gesetzt werden: %1. Der Status des "
                     L"Dienstes in \"Dienste\" kann falsch sein."},
        {0xC0000005, L"Das Terminate Event kann nicht eingerichtet werden: %1."},
        {0xC0000006, L"Die Dienst Parameter k\u00f6nnen nicht aus der Registrierung gelesen "
                     L"werden: %1."},
        {0xC0000007, L"Die Kommunikation mit dem Touchbildschirm Treiber funktioniert nicht: %1."},
        {0xC0000008, L"Die Informationen \u00fcber den Monitor k\u00f6nnen nicht gelesen werden: "
                     L"%1."},
    };
    HMODULE program =
        LoadLibraryExA(WindowsPath(TQ_SVC_EXE).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    const struct {
        WORD language;
        const std::vector<MessageEntry>* expected;
    } tables[] = {{1033, &english}, {1031, &german}};
    for (const auto& table : tables) {
        std::vector<MessageEntry> entries = ReadMessageTable(program, table.language);
        ASSERT_EQ(table.expected->size(), entries.size()) << table.language;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ((*table.expected)[i].id, entries[i].id) << table.language;
            EXPECT_EQ((*table.expected)[i].text + L"\r\n", entries[i].text)
                << table.language << " " << std::hex << entries[i].id;
        }
    }
    FreeLibrary(program);
    // The program's ids are the table's.
    EXPECT_EQ(0x40000002u, static_cast<DWORD>(MSG_TEXT));
    EXPECT_EQ(0x40000003u, static_cast<DWORD>(MSG_TOO_MANY_ERRORS));
    EXPECT_EQ(0xC0000001u, static_cast<DWORD>(MSG_START_FAILED));
    EXPECT_EQ(0xC0000004u, static_cast<DWORD>(MSG_SET_STATUS_FAILED));
    EXPECT_EQ(0xC0000005u, static_cast<DWORD>(MSG_CREATE_EVENT_FAILED));
    EXPECT_EQ(0xC0000006u, static_cast<DWORD>(MSG_READ_PARAMETERS_FAILED));
    EXPECT_EQ(0xC0000007u, static_cast<DWORD>(MSG_DRIVER_FAILED));
    EXPECT_EQ(0xC0000008u, static_cast<DWORD>(MSG_MONITOR_INFO_FAILED));
}

} // namespace
