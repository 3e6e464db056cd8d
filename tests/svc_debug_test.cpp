// TqTouchSvc.exe -debug as a console program: its lines in order, and Ctrl+C and Ctrl+Break that
// end the run after the final enable of touch clicks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reg_fixture.h"
#include "sim_client.h"
#include "svc_support.h"
#include "tq_registry.h"

namespace
{

// Lines that come from Wine's own monitor, whose power data cannot be read.
bool IsWineMonitorLine(const std::string& line)
{
    return line.compare(0, 36, "SetupDiGetDeviceRegistryProperty(0) ") == 0;
}

bool IsStamped(const std::string& line, const std::string& text)
{
    return line.size() == 14 + text.size() && line[2] == ':' && line[5] == ':' && line[8] == '.' &&
           line.compare(12, 2, ": ") == 0 && line.compare(14, text.size(), text) == 0;
}

class SvcDebug : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        // The child shares a console with this process, which ignores the events itself.
        FreeConsole();
        ASSERT_TRUE(AllocConsole()) << GetLastError();
        SetConsoleCtrlHandler(NULL, TRUE);
    }
    void SetUp() override
    {
        DeleteTree(ServiceParametersKey);
        ASSERT_TRUE(SimResetCounters(0)) << GetLastError();
    }
    void TearDown() override
    {
        DeleteTree(ServiceParametersKey);
    }

    // Starts the program in a process group of its own and waits for its first pass.
    void Start(const char* firstPassLine)
    {
        ASSERT_TRUE(child.Start(WindowsPath(TQ_SVC_EXE) + " -debug trailing words",
                                CREATE_NEW_PROCESS_GROUP));
        ASSERT_TRUE(child.WaitForOutput(firstPassLine, 20000)) << child.Output();
    }

    // Wine's console cannot generate Ctrl+Break (GenerateConsoleCtrlEvent refuses it), so it
    // arrives the way the system delivers every console event: on a new thread of the target,
    // at the console control routine. So does a console close.
    void SendCtrlBreak(DWORD event = CTRL_BREAK_EVENT)
    {
        FARPROC routine = GetProcAddress(GetModuleHandleA("kernelbase.dll"), "CtrlRoutine");
        ASSERT_NE(nullptr, routine);
        HANDLE thread = CreateRemoteThread(
            child.Process(), NULL, 0,
            reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(routine)),
            reinterpret_cast<void*>(static_cast<ULONG_PTR>(event)), 0, NULL);
        ASSERT_NE(nullptr, thread) << GetLastError();
        CloseHandle(thread);
    }

    // Waits for the end; the lines, with Wine's monitor lines left out.
    std::vector<std::string> Finish()
    {
        DWORD exitCode = 99;
        EXPECT_TRUE(child.Wait(20000, &exitCode)) << child.Output();
        EXPECT_EQ(0u, exitCode);
        std::vector<std::string> lines;
        for (const std::string& line : Lines(child.Output()))
            if (!IsWineMonitorLine(line))
                lines.push_back(line);
        return lines;
    }

    void ExpectOneFinalEnable()
    {
        SimState state = {};
        ASSERT_TRUE(SimReadState(0, &state));
        EXPECT_EQ(1u, state.requests[SimEnableClicks]);
        EXPECT_EQ(0u, state.requests[SimDisableClicks]);
    }

    Child child;
};

TEST_F(SvcDebug, DefaultsThenCtrlC)
{
    Start("Monitor is not sleeping");
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, child.Pid())) << GetLastError();
    const std::vector<std::string> lines = Finish();

    const std::vector<std::string> head = {
        "Debugging Touch Screen.",
        "Service started (type Ctrl+C to terminate)",
        "Parameters key not found: using default values",
        "Cycle time: 1000",
        "Touch click suspend time: 500",
        "Check screen saver: no",
        "Check monitor state: yes",
        "Service working...",
    };
    ASSERT_GE(lines.size(), head.size() + 3) << child.Output();
    EXPECT_EQ(head, std::vector<std::string>(lines.begin(), lines.begin() + head.size()));
    // One line for the first pass, none for the passes without change.
    for (size_t i = head.size(); i + 2 < lines.size(); ++i)
        EXPECT_TRUE(IsStamped(lines[i], "Monitor is not sleeping")) << lines[i];
    EXPECT_EQ(head.size() + 3, lines.size()) << child.Output();
    EXPECT_EQ("Stopping Touch Screen.", lines[lines.size() - 2]);
    EXPECT_EQ("Enable touch clicks", lines.back());
    ExpectOneFinalEnable();
}

TEST_F(SvcDebug, OwnParametersThenCtrlBreak)
{
    SetDword(ServiceParametersKey, CycleTimeName, 200);
    SetDword(ServiceParametersKey, TouchClickSuspendTimeName, 50);
    SetDword(ServiceParametersKey, CheckScreenSaverName, 1);
    SetDword(ServiceParametersKey, CheckMonitorStateName, 0);
    Start("Screen saver is not running");
    Sleep(500); // a few passes without change
    SendCtrlBreak();
    const std::vector<std::string> lines = Finish();

    ASSERT_EQ(10u, lines.size()) << child.Output();
    const std::vector<std::string> head = {
        "Debugging Touch Screen.", "Service started (type Ctrl+C to terminate)",
        "Cycle time: 200",         "Touch click suspend time: 50",
        "Check screen saver: yes", "Check monitor state: no",
        "Service working...",
    };
    EXPECT_EQ(head, std::vector<std::string>(lines.begin(), lines.begin() + head.size()));
    EXPECT_TRUE(IsStamped(lines[7], "Screen saver is not running")) << lines[7];
    EXPECT_EQ("Stopping Touch Screen.", lines[8]);
    EXPECT_EQ("Enable touch clicks", lines[9]);
    ExpectOneFinalEnable();
}

TEST_F(SvcDebug, ConsoleCloseEndsWithTheFinalEnable)
{
    Start("Monitor is not sleeping");
    SendCtrlBreak(CTRL_CLOSE_EVENT);
    const std::vector<std::string> lines = Finish();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("Enable touch clicks", lines.back()) << child.Output();
    ExpectOneFinalEnable();
}

// A screen saver runs while a .scr program does in the program's own session.
TEST_F(SvcDebug, ScreenSaverIsAScrProgramOfTheSession)
{
    SetDword(ServiceParametersKey, CheckScreenSaverName, 1);
    SetDword(ServiceParametersKey, CheckMonitorStateName, 0);
    const std::string saver = WindowsPath(TQ_HARNESS_DIR "/tqtest.scr");
    ASSERT_TRUE(CopyFileA(WindowsPath(TQ_IDLE_PROBE_EXE).c_str(), saver.c_str(), FALSE));
    Child running;
    ASSERT_TRUE(running.Start(saver));
    Start("Disable touch clicks");
    TerminateProcess(running.Process(), 0);
    EXPECT_TRUE(child.WaitForOutput("Enable touch clicks", 20000)) << child.Output();
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, child.Pid()));
    Finish();
}

} // namespace
