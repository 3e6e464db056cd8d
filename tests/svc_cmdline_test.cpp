// TqTouchSvc's command line: the option table, the usage text and the failing dispatcher, and a
// start that fails at the monitor list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_event.h"
#include "reg_fixture.h"
#include "service_host.h"
#include "svc_support.h"
#include "tq_registry.h"

namespace
{

const char* const UsageText = "TqTouchSvc -install          to install the service\n"
                              "TqTouchSvc -remove           to remove the service\n"
                              "TqTouchSvc -debug <params>   to run as a console app for debugging\n"
                              "\n"
                              "StartServiceCtrlDispatcher being called.\n"
                              "This may take several seconds.  Please wait.\n";

SvcCommand Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "TqTouchSvc.exe");
    return ParseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()));
}

// The system's text without its line break and final period, as LogEvent inserts it.
std::string InsertedText(DWORD error)
{
    char text[1024];
    EXPECT_TRUE(SystemErrorText(error, text, sizeof(text)));
    std::string inserted = text;
    if (!inserted.empty() && inserted.back() == '.')
        inserted.pop_back();
    return inserted;
}

TEST(SvcCommandLine, OptionsWithEitherPrefixInAnyCase)
{
    const struct {
        std::vector<const char*> args;
        SvcCommand expected;
    } rows[] = {
        {{"-install"}, SvcInstall},
        {{"/install"}, SvcInstall},
        {{"-INSTALL"}, SvcInstall},
        {{"/InStAlL"}, SvcInstall},
        {{"-remove"}, SvcRemove},
        {{"/REMOVE"}, SvcRemove},
        {{"-debug"}, SvcDebug},
        {{"/Debug"}, SvcDebug},
        // Later arguments are ignored.
        {{"-debug", "more", "words"}, SvcDebug},
        {{"-remove", "-install"}, SvcRemove},
        // Everything else runs the dispatcher.
        {{}, SvcRunService},
        {{"install"}, SvcRunService},
        {{"debug"}, SvcRunService},
        {{"-"}, SvcRunService},
        {{"--install"}, SvcRunService},
        {{"-inst"}, SvcRunService},
        {{"-installer"}, SvcRunService},
        {{"\\install"}, SvcRunService},
        {{"x", "-install"}, SvcRunService},
        {{""}, SvcRunService},
    };
    for (const auto& row : rows) {
        std::string shown;
        for (const char* arg : row.args)
            shown += std::string("[") + arg + "]";
        EXPECT_EQ(row.expected, Parse(row.args)) << shown;
    }
}

TEST(SvcCommandLine, UsageThenFailingDispatcherIsLoggedAsStartFailure)
{
    EventRecorder recorder;
    StdoutCapture capture;
    const char* argv[] = {"TqTouchSvc.exe"};
    EXPECT_EQ(0, TqTouchSvcMain(1, const_cast<char**>(argv)));
    EXPECT_EQ(UsageText, capture.Finish());

    // Started from a console, not by the service control manager.
    std::vector<RecordedEvent> events = recorder.Events();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(0xC0000001u, events[0].id);
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, events[0].type);
    ASSERT_EQ(1u, events[0].strings.size());
    EXPECT_EQ(InsertedText(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT), events[0].strings[0]);
}

TEST(SvcCommandLine, TheProgramPrintsTheUsageForAnythingButAnOption)
{
    const std::string exe = WindowsPath(TQ_SVC_EXE);
    // Each failing dispatcher costs Wine's ten-second connection timeout: two cases only.
    for (const char* args : {"", " install"}) {
        std::string output;
        DWORD exitCode = 99;
        ASSERT_TRUE(RunChild(exe + args, &output, &exitCode)) << args;
        EXPECT_EQ(0u, exitCode) << args;
        EXPECT_EQ(Lines(UsageText), Lines(output)) << args;
    }
}

TEST(SvcCommandLine, DebugStartEndsAtAMonitorListThatDoesNotOpen)
{
    DeleteTree(ServiceParametersKey);
    FakeScreen screen;
    screen.FailClassDevs(ERROR_ACCESS_DENIED);
    StdoutCapture capture;
    const char* argv[] = {"TqTouchSvc.exe", "-debug"};
    EXPECT_EQ(0, TqTouchSvcMain(2, const_cast<char**>(argv)));
    std::vector<std::string> lines = Lines(capture.Finish());
    SetDebugMode(false);

    // Logged with its event, cleaned up, and no watcher started.
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("Debugging Touch Screen.", lines[0]);
    EXPECT_EQ("Service started (type Ctrl+C to terminate)", lines[1]);
    EXPECT_EQ("SetupDiGetClassDevs() failed, error 00000005h", lines[7]);
    EXPECT_EQ(": Read of monitor information failed: " + InsertedText(ERROR_ACCESS_DENIED) + ".",
              lines[8].substr(12));
    EXPECT_EQ(1, screen.ClassDevsCalls());
}

} // namespace
