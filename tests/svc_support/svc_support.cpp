#include "svc_support.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <mutex>

#include "log_event.h"

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool RunChild(const std::string& commandLine, std::string* output, DWORD* exitCode, DWORD timeoutMs)
{
    Child child;
    if (!child.Start(commandLine))
        return false;
    const bool ended = child.Wait(timeoutMs, exitCode);
    *output = child.Output();
    return ended;
}

Child::~Child()
{
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    if (reader_) {
        WaitForSingleObject(reader_, 5000);
        CloseHandle(reader_);
    }
    if (pipe_)
        CloseHandle(pipe_);
    if (lockReady_)
        DeleteCriticalSection(&lock_);
}

bool Child::Start(const std::string& commandLine, DWORD creationFlags)
{
    InitializeCriticalSection(&lock_);
    lockReady_ = true;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE write = NULL;
    if (!CreatePipe(&pipe_, &write, &inherit, 0))
        return false;
    SetHandleInformation(pipe_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = NULL;
    PROCESS_INFORMATION info;
    std::string line = commandLine;
    const BOOL started = CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, creationFlags, NULL, NULL,
                                        &startup, &info);
    CloseHandle(write);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    reader_ = CreateThread(NULL, 0, Reader, this, 0, NULL);
    return reader_ != NULL;
}

DWORD WINAPI Child::Reader(void* self)
{
    Child* child = static_cast<Child*>(self);
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(child->pipe_, buffer, sizeof(buffer), &read, NULL) && read > 0) {
        EnterCriticalSection(&child->lock_);
        child->output_.append(buffer, read);
        LeaveCriticalSection(&child->lock_);
    }
    return 0;
}

bool Child::WaitForOutput(const std::string& text, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (Output().find(text) != std::string::npos)
            return true;
        if (GetTickCount() - start > timeoutMs || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0)
            return Output().find(text) != std::string::npos;
        Sleep(10);
    }
}

bool Child::Wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
        return false;
    }
    WaitForSingleObject(reader_, 5000);
    if (exitCode)
        GetExitCodeProcess(process_, exitCode);
    return true;
}

std::string Child::Output()
{
    EnterCriticalSection(&lock_);
    std::string copy = output_;
    LeaveCriticalSection(&lock_);
    return copy;
}

StdoutCapture::StdoutCapture()
{
    char folder[MAX_PATH];
    char file[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "svc", 0, file);
    path_ = file;
    fflush(stdout);
    saved_ = _dup(1);
    const int target = _open(file, _O_WRONLY | _O_TRUNC | _O_BINARY);
    _dup2(target, 1);
    _close(target);
}

StdoutCapture::~StdoutCapture()
{
    Finish();
}

std::string StdoutCapture::Finish()
{
    if (saved_ < 0)
        return std::string();
    fflush(stdout);
    _dup2(saved_, 1);
    _close(saved_);
    saved_ = -1;
    std::string text = ReadWholeFile(path_);
    DeleteFileA(path_.c_str());
    return text;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, n);
    fclose(file);
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

namespace
{

std::mutex g_eventLock;
std::vector<RecordedEvent> g_events;

void RecordEvent(WORD type, DWORD id, WORD stringCount, const char** strings)
{
    RecordedEvent event{type, id, {}};
    for (WORD i = 0; i < stringCount; ++i)
        event.strings.push_back(strings[i]);
    std::lock_guard<std::mutex> hold(g_eventLock);
    g_events.push_back(event);
}

} // namespace

EventRecorder::EventRecorder()
{
    Clear();
    SetEventSink(RecordEvent);
}

EventRecorder::~EventRecorder()
{
    SetEventSink(NULL);
}

std::vector<RecordedEvent> EventRecorder::Events()
{
    std::lock_guard<std::mutex> hold(g_eventLock);
    return g_events;
}

size_t EventRecorder::Count(DWORD id)
{
    std::lock_guard<std::mutex> hold(g_eventLock);
    size_t count = 0;
    for (const RecordedEvent& event : g_events)
        count += event.id == id;
    return count;
}

void EventRecorder::Clear()
{
    std::lock_guard<std::mutex> hold(g_eventLock);
    g_events.clear();
}

const char* const IgnoredMonitorId = "DISPLAY\\VIRT0001\\4&8087ab12&00&22";

namespace
{

HDEVINFO const FakeList = reinterpret_cast<HDEVINFO>(0x5C5C0001);

std::recursive_mutex g_screenLock;
std::vector<FakeMonitor> g_monitors;
bool g_saver = false;
bool g_saverFails = false;
DWORD g_classDevsError = 0;
DWORD g_classDevsDelay = 0;
DWORD g_enumEndError = ERROR_NO_MORE_ITEMS;
std::function<void(int)> g_saverHook;
int g_saverQueries = 0;
int g_classDevsCalls = 0;
int g_destroyCalls = 0;

BOOL WINAPI FakeSaverRunning(BOOL* running)
{
    std::function<void(int)> hook;
    int pass;
    {
        std::lock_guard<std::recursive_mutex> hold(g_screenLock);
        hook = g_saverHook;
        pass = g_saverQueries++;
    }
    if (hook)
        hook(pass);
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    if (g_saverFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *running = g_saver;
    return TRUE;
}

HDEVINFO WINAPI FakeGetClassDevs(const GUID*, PCSTR, HWND, DWORD)
{
    Sleep(g_classDevsDelay);
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    ++g_classDevsCalls;
    if (g_classDevsError) {
        SetLastError(g_classDevsError);
        return INVALID_HANDLE_VALUE;
    }
    return FakeList;
}

BOOL WINAPI FakeEnumDeviceInfo(HDEVINFO list, DWORD index, PSP_DEVINFO_DATA device)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    if (list != FakeList || index >= g_monitors.size()) {
        SetLastError(list != FakeList ? ERROR_INVALID_HANDLE : g_enumEndError);
        return FALSE;
    }
    device->DevInst = index;
    return TRUE;
}

BOOL WINAPI FakeGetDeviceInstanceId(HDEVINFO, PSP_DEVINFO_DATA device, PSTR id, DWORD capacity,
                                    PDWORD)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    const FakeMonitor& monitor = g_monitors.at(device->DevInst);
    if (monitor.idError || monitor.instanceId.size() >= capacity) {
        SetLastError(monitor.idError ? monitor.idError : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    lstrcpyA(id, monitor.instanceId.c_str());
    return TRUE;
}

BOOL WINAPI FakeGetDeviceRegistryProperty(HDEVINFO, PSP_DEVINFO_DATA device, DWORD property,
                                          PDWORD type, PBYTE buffer, DWORD size, PDWORD)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    const FakeMonitor& monitor = g_monitors.at(device->DevInst);
    CM_POWER_DATA* power = reinterpret_cast<CM_POWER_DATA*>(buffer);
    if (property != SPDRP_DEVICE_POWER_DATA || size != sizeof(CM_POWER_DATA) ||
        power->PD_Size != sizeof(CM_POWER_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (monitor.powerError) {
        SetLastError(monitor.powerError);
        return FALSE;
    }
    if (type)
        *type = REG_BINARY;
    power->PD_MostRecentPowerState = static_cast<DEVICE_POWER_STATE>(monitor.powerState);
    return TRUE;
}

BOOL WINAPI FakeDestroyDeviceInfoList(HDEVINFO list)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    ++g_destroyCalls;
    return list == FakeList;
}

const ScreenProbes FakeProbes = {FakeSaverRunning,
                                 FakeGetClassDevs,
                                 FakeEnumDeviceInfo,
                                 FakeGetDeviceInstanceId,
                                 FakeGetDeviceRegistryProperty,
                                 FakeDestroyDeviceInfoList};

} // namespace

FakeScreen::FakeScreen()
{
    {
        std::lock_guard<std::recursive_mutex> hold(g_screenLock);
        g_monitors.clear();
        g_saver = false;
        g_saverFails = false;
        g_classDevsError = 0;
        g_classDevsDelay = 0;
        g_enumEndError = ERROR_NO_MORE_ITEMS;
        g_saverHook = nullptr;
        g_saverQueries = 0;
        g_classDevsCalls = 0;
        g_destroyCalls = 0;
    }
    CloseMonitorList();
    SetScreenProbes(&FakeProbes);
}

FakeScreen::~FakeScreen()
{
    CloseMonitorList();
    SetScreenProbes(NULL);
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_saverHook = nullptr;
}

void FakeScreen::SetMonitors(const std::vector<FakeMonitor>& monitors)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_monitors = monitors;
}

void FakeScreen::SetAllPowerStates(DWORD state)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    for (FakeMonitor& monitor : g_monitors)
        monitor.powerState = state;
}

void FakeScreen::SetSaver(bool running, bool queryFails)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_saver = running;
    g_saverFails = queryFails;
}

void FakeScreen::FailClassDevs(DWORD error)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_classDevsError = error;
}

void FakeScreen::DelayClassDevs(DWORD ms)
{
    g_classDevsDelay = ms;
}

void FakeScreen::SetEnumEndError(DWORD error)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_enumEndError = error;
}

void FakeScreen::OnSaverQuery(const std::function<void(int pass)>& hook)
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    g_saverHook = hook;
}

int FakeScreen::ClassDevsCalls()
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    return g_classDevsCalls;
}

int FakeScreen::DestroyCalls()
{
    std::lock_guard<std::recursive_mutex> hold(g_screenLock);
    return g_destroyCalls;
}
