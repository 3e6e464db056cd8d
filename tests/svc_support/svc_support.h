// Test helpers for the touch service and TqTouchInit: child processes with captured output, the
// console captured in process, a recorder at the event-log sink and a scripted screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "watcher.h"

// "Z:\..." for a Unix path of the build tree (Wine maps / to Z:).
std::string WindowsPath(const std::string& unixPath);

// Runs a command line to its end, with stdout and stderr in output. False when it did not start
// or did not end in time (it is then killed).
bool RunChild(const std::string& commandLine, std::string* output, DWORD* exitCode,
              DWORD timeoutMs = 30000);

// A child whose output is read as it comes.
class Child
{
  public:
    ~Child();
    bool Start(const std::string& commandLine, DWORD creationFlags = 0);
    // Waits until the output contains text; false on timeout or when the child ended first.
    bool WaitForOutput(const std::string& text, DWORD timeoutMs);
    // Waits for the end and the last of the output.
    bool Wait(DWORD timeoutMs, DWORD* exitCode);
    std::string Output();
    DWORD Pid() const
    {
        return pid_;
    }
    HANDLE Process() const
    {
        return process_;
    }

  private:
    static DWORD WINAPI Reader(void* self);
    HANDLE process_ = NULL;
    HANDLE reader_ = NULL;
    HANDLE pipe_ = NULL;
    DWORD pid_ = 0;
    CRITICAL_SECTION lock_;
    bool lockReady_ = false;
    std::string output_;
};

// Redirects this process's stdout (fd 1) to a file until Finish, which returns what was written.
class StdoutCapture
{
  public:
    StdoutCapture();
    ~StdoutCapture();
    std::string Finish();

  private:
    int saved_ = -1;
    std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The lines of a capture, without CR and LF.
std::vector<std::string> Lines(const std::string& text);

// Replaces the event-log sink for its lifetime and keeps every report.
struct RecordedEvent {
    WORD type;
    DWORD id;
    std::vector<std::string> strings;
};
class EventRecorder
{
  public:
    EventRecorder();
    ~EventRecorder();
    std::vector<RecordedEvent> Events();
    size_t Count(DWORD id);
    void Clear();
};

// A screen the watcher sees through its probes: monitors with instance ids and power data, a
// screen saver and a hook called at every screen-saver query (once per pass when that check is
// on). Installed for its lifetime.
struct FakeMonitor {
    std::string instanceId;
    DWORD powerState; // PowerDeviceUnspecified .. PowerDeviceD3
    DWORD idError;    // non-zero: the instance id cannot be read, with this error
    DWORD powerError; // non-zero: the power data cannot be read, with this error
};
class FakeScreen
{
  public:
    FakeScreen();
    ~FakeScreen();
    void SetMonitors(const std::vector<FakeMonitor>& monitors);
    void SetAllPowerStates(DWORD state);
    void SetSaver(bool running, bool queryFails = false);
    // Error with which the monitor list does not open (0: it opens).
    void FailClassDevs(DWORD error);
    // The monitor list takes this long to open.
    void DelayClassDevs(DWORD ms);
    // Error at the end of the enumeration (ERROR_NO_MORE_ITEMS: a normal end).
    void SetEnumEndError(DWORD error);
    // Called with the pass number (0 first) at each screen-saver query, before it answers.
    void OnSaverQuery(const std::function<void(int pass)>& hook);
    int ClassDevsCalls();
    int DestroyCalls();
};

// A fake monitor id that the watcher ignores: "&8087" 15 characters before the end, "&22" last.
extern const char* const IgnoredMonitorId;
