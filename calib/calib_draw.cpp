#include "calib_draw.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>
#include <wctype.h>

#include "calib_context.h"
#include "calib_dpi.h"
#include "resource.h"

static const int ControlHeight = 30;
static const COLORREF MarkColor = RGB(232, 128, 52);

static HWND CreateButton(HINSTANCE instance, HWND window, UINT textId, int id)
{
    wchar_t text[20] = L"";
    LoadStringW(instance, textId, text, 20);
    return CreateWindowExW(0, L"BUTTON", text, WS_CHILD | BS_PUSHBUTTON, 0, 0, 0, 0, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, NULL);
}

bool CreateCalibControls(HINSTANCE instance, HWND window, HWND* controls)
{
    for (int i = 0; i < ControlCount; ++i)
        controls[i] = NULL;
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_PROGRESS_CLASS};
    if (!g_calib.seams.initCommonControls(&init)) {
        ShowError(window, IDS_CONTROLS_FAILED, GetLastError());
        return false;
    }
    controls[ControlOk] = CreateButton(instance, window, IDS_OK, IDC_OK);
    controls[ControlRedo] = CreateButton(instance, window, IDS_REDO, IDC_REDO);
    controls[ControlClose] = CreateButton(instance, window, IDS_CLOSE, IDC_CLOSE);
    controls[ControlProgress] =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH, 0,
                        0, 0, 0, window, NULL, instance, NULL);
    LayoutCalibControls(window, controls, g_calib.dpi);
    for (int i = 0; i < ControlCount; ++i) {
        if (!controls[i])
            return false;
    }
    return true;
}

void LayoutCalibControls(HWND window, HWND* controls, UINT dpi)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    // Across, eighths of the width; down, lengths for 96 DPI that grow with the text.
    const int u = w / 8;
    const int b = u - 2;
    const int height = ScaleForDpi(ControlHeight, dpi);
    const int y = h / 2 + ScaleForDpi(80, dpi);
    const CalibControl buttons[] = {ControlOk, ControlRedo, ControlClose};
    for (int i = 0; i < 3; ++i) {
        HWND button = controls[buttons[i]];
        if (!button)
            continue;
        MoveWindow(button, (3 + i) * u - b / 2, y, b, height, TRUE);
        if (g_calib.font)
            SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(g_calib.font), TRUE);
    }
    if (controls[ControlProgress])
        MoveWindow(controls[ControlProgress], 3 * u - b / 2, y - ScaleForDpi(50, dpi), 2 * u + b,
                   height, TRUE);
}

void ShowControls(HWND* controls, bool show)
{
    const int command = show ? SW_SHOW : SW_HIDE;
    const CalibControl buttons[] = {ControlOk, ControlClose, ControlRedo};
    for (CalibControl button : buttons) {
        if (controls[button])
            ShowWindow(controls[button], command);
    }
}

void DrawMark(HDC dc, int x, int y)
{
    HPEN cross = CreatePen(PS_SOLID, 3, MarkColor);
    HPEN dot = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    if (cross && dot) {
        HGDIOBJ old = SelectObject(dc, cross);
        MoveToEx(dc, x - 20, y, NULL);
        LineTo(dc, x + 20, y);
        MoveToEx(dc, x, y - 20, NULL);
        LineTo(dc, x, y + 20);
        SelectObject(dc, dot);
        Rectangle(dc, x - 1, y - 1, x + 2, y + 2);
        SelectObject(dc, old);
    }
    if (cross)
        DeleteObject(cross);
    if (dot)
        DeleteObject(dot);
}

static void DrawWindowText(const wchar_t* text, HWND window, HDC dc, COLORREF color, int top)
{
    RECT area;
    GetClientRect(window, &area);
    area.top = ScaleForDpi(top, g_calib.dpi);
    SetTextColor(dc, color);
    HGDIOBJ old = g_calib.font ? SelectObject(dc, g_calib.font) : NULL;
    DrawTextW(dc, text, -1, &area, DT_CENTER);
    if (old)
        SelectObject(dc, old);
}

void DrawInstruction(const wchar_t* text, HWND window, HDC dc)
{
    DrawWindowText(text, window, dc, RGB(0, 0, 0), 10);
}

void DrawWarning(const wchar_t* text, HWND window, HDC dc)
{
    DrawWindowText(text, window, dc, RGB(255, 0, 0), 100);
}

void FormatErrorText(UINT textId, DWORD errorCode, wchar_t* text, int capacity)
{
    text[0] = L'\0';
    LoadStringW(g_calib.instance, textId, text, capacity);
    if (errorCode == 0)
        return;
    wchar_t word[50] = L"";
    LoadStringW(g_calib.instance, IDS_ERROR, word, 50);
    size_t length = wcslen(text);
    _snwprintf(text + length, capacity - length, L"\n%ls %lu: ", word, errorCode);
    text[capacity - 1] = L'\0';
    length = wcslen(text);
    if (length + 1 < static_cast<size_t>(capacity)) {
        if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                            errorCode, 0, text + length, static_cast<DWORD>(capacity - length),
                            NULL))
            text[length] = L'\0';
        text[capacity - 1] = L'\0';
    }
    length = wcslen(text);
    while (length > 0 && iswspace(text[length - 1]))
        text[--length] = L'\0';
}

void ShowError(HWND owner, UINT textId, DWORD errorCode)
{
    wchar_t text[1024];
    FormatErrorText(textId, errorCode, text, 1024);
    wchar_t caption[100] = L"";
    LoadStringW(g_calib.instance, IDS_CAPTION, caption, 100);
    MessageBoxW(owner, text, caption, MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}
