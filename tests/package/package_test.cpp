// The installation package as Wine's msiexec installs, replaces, upgrades and removes it in a new
// prefix: after each step, everything of the package in the registry, the system folder, the
// service manager and the installer's product list; while installed, a logon that runs
// TqTouchInit and the Control Panel item with its About page. The user's settings are in the
// registry's 32-bit view, as the x86 programs leave them, for the x64 programs too.
#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "applet_drive.h"
#include "calib_drive.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "svc_support.h"
#include "tq_registry.h"

namespace
{

typedef std::vector<std::wstring> Lines;

std::wstring SystemDir()
{
    wchar_t dir[MAX_PATH];
    GetSystemDirectoryW(dir, MAX_PATH);
    return dir;
}

std::wstring Lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), towlower);
    return text;
}

// What the package's files, keys and values are called or point at.
bool NamesThePackage(const std::wstring& line)
{
    const std::wstring lower = Lower(line);
    for (const wchar_t* name :
         {L"tqtouchsvc", L"tqtouchcalib", L"tqtouchapplet", L"tqtouchinit", L"tqtouch.chm",
          L"touch screen", L"tq_automation", L"tqtouch\\parameters"})
        if (lower.find(name) != std::wstring::npos)
            return true;
    return false;
}

// Every value and empty key below path that names the package, as "path\name=type:data", path
// in lower case. The installer's own records are left to its API.
void Walk(HKEY key, const std::wstring& path, Lines* lines)
{
    for (const wchar_t* skip :
         {L"\\classes\\installer", L"\\currentversion\\installer", L"\\currentversion\\uninstall"})
        if (path.size() >= wcslen(skip) && path.compare(path.size() - wcslen(skip), -1, skip) == 0)
            return;
    wchar_t name[256];
    DWORD values = 0;
    for (;; ++values) {
        wchar_t data[1024] = L"";
        DWORD length = 256, size = sizeof(data) - sizeof(wchar_t), type = 0;
        const LONG result =
            RegEnumValueW(key, values, name, &length, NULL, &type, (BYTE*)data, &size);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
        DWORD number = 0;
        memcpy(&number, data, sizeof(number));
        const std::wstring text = type == REG_DWORD ? std::to_wstring(number) : data;
        const wchar_t* types[] = {L"0", L"REG_SZ", L"REG_EXPAND_SZ", L"3", L"REG_DWORD"};
        const std::wstring line = path + L"\\" + name + L"=" +
                                  (type <= REG_DWORD ? types[type] : std::to_wstring(type)) + L":" +
                                  (type <= REG_DWORD ? text : L"");
        if (NamesThePackage(line))
            lines->push_back(line);
    }
    DWORD keys = 0;
    for (;; ++keys) {
        DWORD length = 256;
        HKEY sub;
        if (RegEnumKeyExW(key, keys, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            Walk(sub, path + L"\\" + Lower(name), lines);
            RegCloseKey(sub);
        }
    }
    if (values == 0 && keys == 0 && NamesThePackage(path))
        lines->push_back(path + L"\\");
}

// Where HKLM\SOFTWARE of the 32-bit view shows in this process.
const std::wstring Software32 =
    sizeof(void*) == 8 ? L"hklm\\software\\wow6432node\\" : L"hklm\\software\\";

const wchar_t* const Files[] = {L"TqTouchCalib.exe", L"TqTouchApplet.cpl", L"TqTouchSvc.exe",
                                L"TqTouchInit.exe", L"TqTouch.chm"};

Lines Footprint()
{
    Lines lines;
    for (const wchar_t* root : {L"software", L"system\\currentcontrolset"}) {
        HKEY key;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ, &key));
        Walk(key, std::wstring(L"hklm\\") + root, &lines);
        RegCloseKey(key);
    }
    for (const wchar_t* file : Files)
        if (GetFileAttributesW((SystemDir() + L"\\" + file).c_str()) != INVALID_FILE_ATTRIBUTES)
            lines.push_back(std::wstring(L"file ") + file);
    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, L"TqTouchSvc", SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    if (service && QueryServiceStatus(service, &status))
        lines.push_back(L"service state " + std::to_wstring(status.dwCurrentState));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    wchar_t product[39], version[32];
    for (DWORD i = 0; MsiEnumRelatedProductsW(L"{097CCA45-A801-4938-B9C7-5DEB2300966A}", 0, i,
                                              product) == ERROR_SUCCESS;
         ++i) {
        DWORD size = 32;
        MsiGetProductInfoW(product, L"VersionString", version, &size);
        lines.push_back(std::wstring(L"product ") + version);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The service's key as the program's own -install writes it for the system folder.
Lines RegistrationByTheProgram()
{
    const std::wstring exe = SystemDir() + L"\\TqTouchSvc.exe";
    const std::string command(exe.begin(), exe.end());
    std::string output;
    DWORD code = 0;
    EXPECT_TRUE(CopyFileA(WindowsPath(TQ_SVC_EXE).c_str(), command.c_str(), FALSE));
    EXPECT_TRUE(RunChild(command + " -install", &output, &code)) << output;
    Lines lines = Footprint();
    EXPECT_TRUE(RunChild(command + " -remove", &output, &code)) << output;
    DeleteFileW(exe.c_str());
    const std::wstring key = L"hklm\\system\\currentcontrolset\\services\\tqtouchsvc\\";
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::wstring& line) { return line.find(key) != 0; }),
                lines.end());
    // The program quotes its path, Wine's msiexec does not; without blanks in the folder, both
    // start the same program.
    for (std::wstring& line : lines)
        if (line.find(L"\\ImagePath=") != std::wstring::npos)
            line.erase(std::remove(line.begin(), line.end(), L'"'), line.end());
    return lines;
}

// Everything of the package once it is installed at a version, besides the user's settings and
// the service's key.
Lines Installed(const std::wstring& version)
{
    const std::wstring folder = SystemDir() + L"\\";
    const std::wstring source = L"hklm\\system\\currentcontrolset\\services\\eventlog\\"
                                L"application\\touch screen\\";
    const std::wstring panel =
        L"hklm\\software\\microsoft\\windows\\currentversion\\control panel\\";
    Lines lines = {
        panel + L"cpls\\TqTouchApplet=REG_EXPAND_SZ:" + folder + L"TqTouchApplet.cpl",
        panel + L"extended properties\\system.controlpanel.category\\" + folder +
            L"TqTouchApplet.cpl=REG_DWORD:2",
        L"hklm\\software\\microsoft\\windows\\currentversion\\run\\TqTouchInit=REG_SZ:\"" + folder +
            L"TqTouchInit.exe\"",
        Software32 + L"tq_automation\\touch\\Version=REG_SZ:" + version,
        source + L"EventMessageFile=REG_EXPAND_SZ:" + folder + L"TqTouchSvc.exe",
        source + L"TypesSupported=REG_DWORD:7",
        L"service state " + std::to_wstring(SERVICE_RUNNING),
        L"hklm\\system\\currentcontrolset\\services\\tqtouchsvc\\running\\", // while it runs
        L"product " + version,
    };
    for (const wchar_t* file : Files)
        lines.push_back(std::wstring(L"file ") + file);
    return lines;
}

// The lines with, at a version, the package installed and its service registered.
Lines WithPackage(Lines lines, const Lines& service, const wchar_t* version)
{
    if (version) {
        const Lines installed = Installed(version);
        lines.insert(lines.end(), service.begin(), service.end());
        lines.insert(lines.end(), installed.begin(), installed.end());
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string DoubleClick()
{
    std::string output;
    DWORD code = 0;
    RunChild(WindowsPath(TQ_DBLCLK_PROBE_EXE), &output, &code);
    return output.substr(0, output.find_first_of("\r\n"));
}

// A logon, as wineboot runs it, starts TqTouchInit, which raises the double-click settings to
// the minimums stored in the 32-bit view.
void ExpectLogonRaisesDoubleClick()
{
    SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, 300, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, 4, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, 4, NULL, SPIF_UPDATEINIFILE);
    ASSERT_EQ("300 4 4", DoubleClick());
    std::string output;
    DWORD code = 0;
    ASSERT_TRUE(RunChild("wineboot.exe", &output, &code, 60000));
    EXPECT_TRUE(WaitUntil([] { return DoubleClick() == "600 50 45"; }, 10000, false))
        << DoubleClick();
}

// The Control Panel lists the item, and control.exe opens it on its About page, which shows the
// package version and the installed programs of the package.
void ExpectControlPanelItem(const std::wstring& version)
{
    HANDLE panel = StartProcess(L"control.exe", false);
    Lines items;
    WaitUntil(
        [&] {
            HWND window = FindWindowW(L"Shell_Control_WndClass", NULL);
            items = ListViewItems(FindWindowExW(window, NULL, WC_LISTVIEWW, NULL));
            return std::count(items.begin(), items.end(), L"Touch Screen") == 1;
        },
        10000, false);
    EXPECT_EQ(1, std::count(items.begin(), items.end(), L"Touch Screen"))
        << testing::PrintToString(items);
    PostMessageW(FindWindowW(L"Shell_Control_WndClass", NULL), WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(panel, 10000));
    CloseHandle(panel);

    HANDLE applet = StartProcess(L"control.exe TqTouchApplet.cpl,@0,5", false);
    HWND sheet = WaitForSheet(0, 10000);
    ASSERT_TRUE(sheet);
    HWND about = ShowPage(sheet, 5);
    EXPECT_EQ(version, ItemText(about, IDC_ABOUT_VERSION));
    EXPECT_EQ(sizeof(void*) == 8 ? L"x64 package (64-bit programs)"
                                 : L"x86 package (32-bit programs)",
              ItemText(about, IDC_ABOUT_ARCH));
    // The selection program and the drivers come with the driver's own package.
    EXPECT_EQ(L"Touch Screen Control Panel Item (TqTouchApplet.cpl)\r\nVersion 1.0.0.0\r\n\r\n"
              L"Touch Calibration (TqTouchCalib.exe)\r\nVersion 1.0.0.0\r\n\r\n",
              ItemText(about, IDC_ABOUT_MODULES));
    PressSheetButton(sheet, PSBTN_CANCEL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(applet, 10000));
    CloseHandle(applet);
}

// The settings an installation is given as properties or a person sets by hand: the value given
// at the install, set by hand after it, and given at the upgrade (NULL: none).
const struct {
    const char* property;
    const wchar_t* key;
    const wchar_t* name;
    const char* values[3];
} Settings[] = {
    {"INPUTMODE", TouchParametersKey, InputModeName, {"2", NULL, NULL}},
    {"CLICKMODE", TouchParametersKey, ClickModeName, {"2", NULL, "1"}},
    {"RIGHTCLICKENABLE", TouchParametersKey, RightClickEnableName, {"0", NULL, NULL}},
    {"RIGHTCLICKTIMEOUT", TouchParametersKey, RightClickTimeoutName, {"2000", "850", NULL}},
    {"BEEP", TouchParametersKey, BeepName, {NULL, NULL, "1"}},
    {"CALIBPOINTS", TouchOptionsKey, CalibPointsName, {"9", NULL, "3"}},
    {"CALIBMARGIN", TouchOptionsKey, CalibMarginName, {"25", NULL, NULL}},
    {"CALIBTIMEOUT", TouchOptionsKey, CalibTimeoutName, {"0", NULL, NULL}},
    {"MINDOUBLECLICKTIME", TouchOptionsKey, MinDoubleClickTimeName, {"2147483647", NULL, NULL}},
    {"MINDOUBLECLICKWIDTH", TouchOptionsKey, MinDoubleClickWidthName, {NULL, "50", NULL}},
    {"MINDOUBLECLICKHEIGHT", TouchOptionsKey, MinDoubleClickHeightName, {"0", NULL, NULL}},
    {"CYCLETIME", ServiceParametersKey, CycleTimeName, {"1500", "4294967295", NULL}},
    {"TOUCHCLICKSUSPENDTIME", ServiceParametersKey, TouchClickSuspendTimeName, {NULL, "700", NULL}},
    {"CHECKSCREENSAVER", ServiceParametersKey, CheckScreenSaverName, {"1", NULL, "0"}},
    {"CHECKMONITORSTATE", ServiceParametersKey, CheckMonitorStateName, {"0", "7", NULL}},
};

// A column's properties on msiexec's command line.
std::string Given(int column)
{
    std::string text;
    for (const auto& setting : Settings)
        if (setting.values[column])
            text = text + " " + setting.property + "=" + setting.values[column];
    return text;
}

// The settings in the footprint once the columns before `columns` are in force.
Lines SettingLines(int columns, bool serviceGone)
{
    Lines lines;
    for (const auto& setting : Settings) {
        const char* value = NULL;
        for (int column = 0; column < columns; ++column)
            value = setting.values[column] ? setting.values[column] : value;
        const std::wstring key = setting.key == TouchOptionsKey
                                     ? Software32 + L"tq_automation\\touch"
                                     : L"hklm\\" + Lower(setting.key);
        if (value && !(serviceGone && setting.key == ServiceParametersKey))
            lines.push_back(key + L"\\" + setting.name + L"=REG_DWORD:" +
                            std::wstring(value, value + strlen(value)));
    }
    return lines;
}

// No settings, as on a machine that never had the package.
void ClearSettings()
{
    for (const wchar_t* key : {TouchOptionsKey, TouchParametersKey, ServiceParametersKey})
        DeleteTree(key);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TQ_Automation", KEY_WOW64_32KEY, 0);
}

TEST(Package, KeepsTheSettingsGivenAndSetByHand)
{
    ClearSettings();
    const Lines service = RegistrationByTheProgram();
    ASSERT_EQ(Lines(), Footprint());

    const std::string log = "C:\\package.log";
    const std::string older = WindowsPath(TQ_PACKAGE), newer = WindowsPath(TQ_PACKAGE_NEXT),
                      twin = WindowsPath(TQ_PACKAGE_TWIN);
    const struct {
        std::string command;
        int columns;              // the settings' columns in force afterwards
        const wchar_t* installed; // the version installed afterwards
        const char* refusal;      // the message of a refused install, in the log
    } steps[] = {
        {"/i " + older + " CYCLETIME=1 CALIBMARGIN=26", 0, NULL,
         "CALIBMARGIN must be a whole number from 0 to 25."},
        {"/i " + older + " CALIBPOINTS=6", 0, NULL, "CALIBPOINTS must be 3, 4, 5, 7 or 9."},
        {"/i " + older + " CHECKMONITORSTATE=2147483648", 0, NULL,
         "CHECKMONITORSTATE must be a whole number from 0 to 2147483647."},
        {"/i " + older + Given(0), 1, TQ_VERSION, NULL},
        // the other architecture's package, after the values set by hand
        {"/i " + twin, 2, TQ_VERSION, NULL},
        {"/i " + newer + " RIGHTCLICKTIMEOUT=abc", 2, TQ_VERSION,
         "RIGHTCLICKTIMEOUT must be a whole number from 0 to 2000."},
        {"/i " + newer + Given(2), 3, TQ_NEXT_VERSION, NULL},
        {"/x " + newer, 3, NULL, NULL},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        std::string output;
        DWORD code = 0;
        ASSERT_TRUE(
            RunChild("msiexec " + step.command + " /qn /l*v " + log, &output, &code, 120000));
        EXPECT_EQ(DWORD(step.refusal ? ERROR_INSTALL_FAILURE : ERROR_SUCCESS), code);
        EXPECT_TRUE(!step.refusal || ReadWholeFile(log).find(step.refusal) != std::string::npos);

        EXPECT_EQ(WithPackage(SettingLines(step.columns, !step.installed), service, step.installed),
                  Footprint());
        if (step.columns == 1)
            for (const auto& setting : Settings)
                if (setting.values[1])
                    SetDword(setting.key, setting.name, strtoul(setting.values[1], NULL, 10));
    }
    ClearSettings();
}

TEST(Package, InstallsUpgradesAndRemovesWithoutATrace)
{
    // The user's settings from before the package, where the x86 programs keep them (the first
    // line of the footprint pins the 32-bit view): no step touches them.
    const wchar_t* const names[] = {CalibPointsName, MinDoubleClickTimeName,
                                    MinDoubleClickWidthName, MinDoubleClickHeightName};
    const DWORD values[] = {9, 600, 50, 45};
    for (int i = 0; i < 4; ++i)
        SetDword(TouchOptionsKey, names[i], values[i]);
    SetDword((std::wstring(TouchParametersKey) + L"\\Screen0\\Calibration").c_str(), ValidName, 1);
    const Lines service = RegistrationByTheProgram();
    ASSERT_FALSE(service.empty());
    const Lines user = Footprint();
    ASSERT_EQ(5u, user.size()) << testing::PrintToString(user);
    ASSERT_EQ(Software32 + L"tq_automation\\touch\\CalibPoints=REG_DWORD:9", user[0]);

    const std::string older = WindowsPath(TQ_PACKAGE), newer = WindowsPath(TQ_PACKAGE_NEXT),
                      twin = WindowsPath(TQ_PACKAGE_TWIN);
    const struct {
        const char* step;
        std::string command;
        bool serviceCannotLoad; // StartService fails, and the install with it
        bool succeeds;
        const wchar_t* installed; // the version installed afterwards
    } steps[] = {
        {"service program cannot load", "/i " + older, true, false, NULL},
        {"install", "/i " + older, false, true, TQ_VERSION},
        // as the other architecture's package of the same version replaces it
        {"same version, other product code", "/i " + twin, false, true, TQ_VERSION},
        {"upgrade to the signed package", "/i " + newer, false, true, TQ_NEXT_VERSION},
        {"older version refused", "/i " + older, false, false, TQ_NEXT_VERSION},
        {"removal", "/x " + newer, false, true, NULL},
    };
    const std::wstring programDefaults = L"Software\\Wine\\AppDefaults\\TqTouchSvc.exe";
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        if (step.serviceCannotLoad)
            RegSetKeyValueW(HKEY_CURRENT_USER, (programDefaults + L"\\DllOverrides").c_str(),
                            L"advapi32", REG_SZ, L"", sizeof(wchar_t));
        std::string output;
        DWORD code = 0;
        ASSERT_TRUE(RunChild("msiexec " + step.command + " /qn", &output, &code, 120000));
        EXPECT_EQ(step.succeeds, code == 0) << code;
        RegDeleteTreeW(HKEY_CURRENT_USER, programDefaults.c_str());

        EXPECT_EQ(WithPackage(user, service, step.installed), Footprint());
        if (step.installed && step.succeeds) {
            ExpectLogonRaisesDoubleClick();
            ExpectControlPanelItem(step.installed);
        }
    }
}

#ifdef TQ_X86_PACKAGE
SimState Driver()
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(0, &state));
    return state;
}

// Restarts the installed service, which reads its options at start, and waits until the driver
// shows what the service did on start or stop.
void RestartServiceUntil(bool clicksEnabled)
{
    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, L"TqTouchSvc", SERVICE_ALL_ACCESS);
    SERVICE_STATUS_PROCESS status = {};
    DWORD size = 0;
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                         sizeof(status), &size);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId);
    SERVICE_STATUS stopped;
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &stopped)) << GetLastError();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000)); // a new start waits for it
    CloseHandle(process);
    EXPECT_TRUE(WaitUntil([] { return Driver().clicksEnabled == 1; }, 10000, false));
    EXPECT_TRUE(StartServiceW(service, 0, NULL)) << GetLastError();
    EXPECT_TRUE(WaitUntil([&] { return Driver().clicksEnabled == (clicksEnabled ? 1u : 0u); },
                          10000, false));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

// The x86 package on 64-bit Windows, as most machines run it: its 32-bit programs in the 32-bit
// system folder against the 64-bit driver. A switch to the x64 package then keeps what a person
// set with them, and the x64 programs read it.
TEST(Package, X86PackageUnderWow64KeepsItsSettingsForTheX64One)
{
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetSystemWow64DirectoryW(folder, MAX_PATH));
    const std::wstring wow = folder, system = SystemDir();
    const std::string wowA(wow.begin(), wow.end());
    std::string output;
    DWORD code = 0;
    // The double-click minimums as an administrator sets them, with the 32-bit reg.exe.
    DeleteTree(TouchOptionsKey);
    for (const char* value :
         {"MinDoubleClickTime /d 600", "MinDoubleClickWidth /d 50", "MinDoubleClickHeight /d 45"})
        RunChild(wowA + "\\reg.exe add HKLM\\Software\\TQ_Automation\\Touch /f /t REG_DWORD /v " +
                     value,
                 &output, &code);
    ASSERT_TRUE(
        RunChild("msiexec /i " + WindowsPath(TQ_X86_PACKAGE) + " /qn", &output, &code, 120000));
    ASSERT_EQ(0u, code);
    for (const wchar_t* file : Files)
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((wow + L"\\" + file).c_str()))
            << testing::PrintToString(file);

    // The raw points, the record and the reload cross from the 32-bit program to the driver.
    SimResetCounters(0);
    ASSERT_TRUE(RunChild(WindowsPath(TQ_CALIB_FINGER_EXE) + " " + wowA + "\\TqTouchCalib.exe",
                         &output, &code, 60000));
    EXPECT_EQ(0u, code) << output;
    const SimState calibrated = Driver();
    EXPECT_LE(1u, calibrated.reloads);
    EXPECT_EQ(1, calibrated.record[7]) << "Valid, as the driver read it";

    // The 32-bit service suspends clicks while a screen saver (.scr) runs, and restores them.
    SetDword(ServiceParametersKey, CheckScreenSaverName, 1);
    const std::string saver = WindowsPath(TQ_HARNESS_DIR "-package/tqtest.scr");
    ASSERT_TRUE(CopyFileA(WindowsPath(TQ_IDLE_PROBE_EXE).c_str(), saver.c_str(), FALSE));
    HANDLE running = StartProcess(std::wstring(saver.begin(), saver.end()), false);
    RestartServiceUntil(false);
    TerminateProcess(running, 0);
    WaitForSingleObject(running, 10000);
    CloseHandle(running);
    RestartServiceUntil(true);

    // Without rights the item starts itself again, elevated, through syswow64's rundll32 (a 64-bit
    // one cannot load it); told the system is older, that instance asks question 1024 and ends.
    const std::wstring hostVersion = L"Software\\Wine\\AppDefaults\\rundll32.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, hostVersion.c_str(), L"Version", REG_SZ, L"winxp", 12);
    HANDLE opener = StartProcess(wow + L"\\control.exe " + wow + L"\\TqTouchApplet.cpl", true);
    HWND box = NULL;
    WaitUntil([&] { return (box = FindWindowW(L"#32770", L"Touch Screen")) != NULL; }, 20000,
              false);
    DWORD second = 0;
    GetWindowThreadProcessId(box, &second);
    HANDLE relaunched = OpenProcess(PROCESS_ALL_ACCESS, FALSE, second);
    ASSERT_TRUE(relaunched != NULL);
    EXPECT_NE(std::wstring::npos,
              Lower(CommandLineOf(relaunched)).find(Lower(wow) + L"\\rundll32.exe"));
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(relaunched, 10000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opener, 10000));
    RegDeleteTreeW(HKEY_CURRENT_USER, hostVersion.c_str());

    // The 32-bit item through the 32-bit rundll32: a person's click setting and number of marks,
    // and the About page with the kernel driver's files found in the native system folder.
    CopyFileW((wow + L"\\TqTouchApplet.cpl").c_str(),
              (system + L"\\drivers\\TqTouchDrv.sys").c_str(), FALSE);
    CopyFileW((wow + L"\\TqTouchCalib.exe").c_str(), (system + L"\\drivers\\TqHidKmdf.sys").c_str(),
              FALSE);
    HANDLE applet = StartProcess(wow + L"\\rundll32.exe shell32.dll,Control_RunDLL " + wow +
                                     L"\\TqTouchApplet.cpl,@0,0",
                                 false);
    HWND sheet = WaitForSheet(0, 10000);
    ASSERT_TRUE(sheet);
    ClickItem(ShowPage(sheet, 1), IDC_CLICK_ON_RELEASE);
    EXPECT_TRUE(WaitUntil([] { return Driver().params[SimClickMode] == 2; }, 10000, false));
    HWND page = ShowPage(sheet, 2);
    SendDlgItemMessageW(page, IDC_CALIB_POINTS, CB_SETCURSEL, 4, 0); // 3, 4, 5, 7, 9
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_CALIB_POINTS, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CALIB_POINTS)));
    HWND about = ShowPage(sheet, 5);
    EXPECT_EQ(TQ_VERSION, ItemText(about, IDC_ABOUT_VERSION));
    EXPECT_EQ(L"x86 package (32-bit programs)", ItemText(about, IDC_ABOUT_ARCH));
    const std::wstring modules =
        L"Touch Screen Control Panel Item (TqTouchApplet.cpl)\r\nVersion 1.0.0.0\r\n\r\n"
        L"Touch Calibration (TqTouchCalib.exe)\r\nVersion 1.0.0.0\r\n\r\n";
    EXPECT_EQ(modules + modules, ItemText(about, IDC_ABOUT_MODULES));
    PressSheetButton(sheet, PSBTN_OK);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(applet, 10000));
    CloseHandle(applet);
    DeleteFileW((system + L"\\drivers\\TqTouchDrv.sys").c_str());
    DeleteFileW((system + L"\\drivers\\TqHidKmdf.sys").c_str());

    // The switch: the x64 package of the same version replaces the x86 one.
    ASSERT_TRUE(RunChild("msiexec /i " + WindowsPath(TQ_PACKAGE) + " /qn", &output, &code, 120000));
    ASSERT_EQ(0u, code);
    for (const wchar_t* file : Files) {
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((wow + L"\\" + file).c_str()));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((system + L"\\" + file).c_str()));
    }
    DWORD kept = 0; // the service's option set by hand, though the service was made anew
    EXPECT_TRUE(GetDword(ServiceParametersKey, CheckScreenSaverName, &kept));
    EXPECT_EQ(1u, kept);
    ExpectLogonRaisesDoubleClick();
    applet = StartProcess(L"control.exe TqTouchApplet.cpl,@0,1", false);
    sheet = WaitForSheet(0, 10000);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(IsItemChecked(ShowPage(sheet, 1), IDC_CLICK_ON_RELEASE));
    EXPECT_EQ(L"9", ItemText(ShowPage(sheet, 2), IDC_CALIB_POINTS));
    EXPECT_EQ(L"Device status: calibrated", ItemText(ShowPage(sheet, 4), IDC_HW_STATUS));
    EXPECT_EQ(L"x64 package (64-bit programs)", ItemText(ShowPage(sheet, 5), IDC_ABOUT_ARCH));
    PressSheetButton(sheet, PSBTN_CANCEL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(applet, 10000));
    CloseHandle(applet);
    ASSERT_TRUE(RunChild("msiexec /x " + WindowsPath(TQ_PACKAGE) + " /qn", &output, &code, 120000));
    EXPECT_EQ(0u, code);
}
#endif

} // namespace
