#include "cpl_entry.h"

#include <commctrl.h>
#include <cpl.h>
#include <limits.h>
#include <stdio.h>

#include "applet_services.h"
#include "cpl_app.h"
#include "cpl_sheet.h"
#include "dialog.h"
#include "resource.h"
#include "system_folder.h"

// The manifest's id: the one a Control Panel host activates for a .cpl.
static const WORD ManifestId = 123;

static bool g_initialised = false;
static HANDLE g_context = INVALID_HANDLE_VALUE;

namespace
{
// The applet's resources and its manifest (common controls 6) for the time of one call, also
// when the host did not activate the manifest itself; the caller's state comes back afterwards.
class ModuleState
{
  public:
    explicit ModuleState(bool releaseAfter) : release_(releaseAfter)
    {
        SetDialogModule(g_app.Instance());
        if (g_context == INVALID_HANDLE_VALUE) {
            wchar_t path[MAX_PATH];
            ACTCTXW context = {};
            context.cbSize = sizeof(context);
            context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
            context.hModule = g_app.Instance();
            context.lpResourceName = MAKEINTRESOURCEW(ManifestId);
            if (GetModuleFileNameW(g_app.Instance(), path, MAX_PATH) < MAX_PATH) {
                context.lpSource = path;
                g_context = CreateActCtxW(&context);
            }
        }
        if (g_context != INVALID_HANDLE_VALUE && !ActivateActCtx(g_context, &cookie_))
            cookie_ = 0;
    }
    ~ModuleState()
    {
        if (cookie_)
            DeactivateActCtx(0, cookie_);
        if (release_ && g_context != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(g_context);
            g_context = INVALID_HANDLE_VALUE;
        }
    }

  private:
    bool release_;
    ULONG_PTR cookie_ = 0;
};
} // namespace

int ParseStartPage(const wchar_t* parameters)
{
    if (!parameters || parameters[0] < L'0' || parameters[0] > L'9')
        return 0;
    long long page = 0;
    for (; *parameters >= L'0' && *parameters <= L'9'; ++parameters) {
        page = page * 10 + (*parameters - L'0');
        if (page > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(page);
}

// Starts this item again through rundll32 with the verb "runas"; false only when the user
// refused the elevation prompt.
static bool RelaunchElevated()
{
    wchar_t path[256], parameters[512], rundll32[MAX_PATH];
    DWORD length = GetModuleFileNameW(g_app.Instance(), path, 256);
    if (length == 0 || length >= 256 || !GetElevatingSystemFilePath(L"rundll32.exe", rundll32))
        return true; // a cut path would start another file: nothing is started
    _snwprintf(parameters, 512, L"shell32.dll,Control_RunDLL \"%s\"", path);
    parameters[511] = L'\0';
    HINSTANCE result =
        g_appletSeams.shellExecute(NULL, L"runas", rundll32, parameters, NULL, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) != SE_ERR_ACCESSDENIED;
}

static void ShowSheet(HWND controlPanel, int startPage)
{
    g_app.LocateHelpFile();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CCplPropertySheet sheet(g_app.AppName(), controlPanel);
    sheet.SetActivePage(startPage);
    sheet.DoModal();
}

static LONG OpenItem(HWND controlPanel, int startPage)
{
    // Named first, so that question 1024 carries it too.
    g_app.LoadAppName();
    if (!IsAdministrator()) {
        if (IsWindows7OrLater()) {
            if (RelaunchElevated())
                return 1;
        } else {
            wchar_t text[512];
            if (ShowMessageBox(controlPanel, LoadText(IDS_NEED_ADMIN, text, 512),
                               MB_YESNO | MB_ICONINFORMATION) != IDYES)
                return 0;
        }
    }
    ShowSheet(controlPanel, startPage);
    return 0;
}

static void HelpRequested(HWND dialog, UINT templateId)
{
    g_app.ShowHelp(GetAncestor(dialog, GA_ROOT), templateId);
}

extern "C" LONG APIENTRY CPlApplet(HWND controlPanel, UINT message, LPARAM, LPARAM param2)
{
    ModuleState state(message == CPL_EXIT);
    SetDialogHelpHandler(HelpRequested);
    switch (message) {
    case CPL_INIT:
        if (g_initialised)
            return 0;
        g_initialised = true;
        return 1;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        CPLINFO* info = reinterpret_cast<CPLINFO*>(param2);
        info->idIcon = IDI_APPLET;
        info->idName = IDS_APP_NAME;
        info->idInfo = IDS_APP_DESCRIPTION;
        info->lData = 0;
        return 0;
    }
    case CPL_DBLCLK:
        return OpenItem(controlPanel, 0);
    case CPL_STARTWPARMSW:
        OpenItem(controlPanel, ParseStartPage(reinterpret_cast<const wchar_t*>(param2)));
        // Handled, whatever the outcome: a host that reads 0 here opens the item once more.
        return 1;
    case CPL_EXIT:
        g_initialised = false;
        return 0;
    }
    return 0;
}
