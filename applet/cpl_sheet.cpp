#include "cpl_sheet.h"

#include "cpl_app.h"
#include "resource.h"

CCplPropertySheet::CCplPropertySheet(const wchar_t* caption, HWND parent)
    : PropSheet(caption, parent)
{
    // No Help button and no icon of the sheet's own; the caption reads as a property title.
    header_.dwFlags &= ~(PSH_HASHELP | PSH_USEHICON);
    header_.dwFlags |= PSH_PROPTITLE;
    header_.hIcon = NULL;
    AddPage(&mode_);
    AddPage(&mouse_);
    AddPage(&calibration_);
    AddPage(&options_);
    AddPage(&hardware_);
    // Last, where a person looks for what is installed once the settings are seen.
    AddPage(&about_);
}

CCplPropertySheet::~CCplPropertySheet()
{
    if (icon_)
        DestroyIcon(icon_);
}

BOOL CCplPropertySheet::OnInitDialog()
{
    if (g_app.HelpFileFound()) {
        wchar_t text[256];
        if (LoadText(IDS_HELP, text, 256)[0]) {
            HMENU menu = GetSystemMenu(Handle(), FALSE);
            AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
            AppendMenuW(menu, MF_STRING, HelpSysCommand, text);
        }
    }
    return TRUE;
}

bool CCplPropertySheet::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != HelpSysCommand)
            return false;
        g_app.ShowHelp(Handle(), 0);
        *result = 0;
        return true;
    case WM_QUERYDRAGICON:
    case WM_PAINT:
        if (!IsIconic(Handle()))
            return false;
        if (!icon_)
            icon_ = static_cast<HICON>(LoadImageW(g_app.Instance(), MAKEINTRESOURCEW(IDI_APPLET),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), 0));
        if (message == WM_QUERYDRAGICON) {
            *result = reinterpret_cast<LRESULT>(icon_);
            return true;
        }
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        RECT client;
        GetClientRect(Handle(), &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
        EndPaint(Handle(), &paint);
        *result = 0;
        return true;
    }
    return false;
}
