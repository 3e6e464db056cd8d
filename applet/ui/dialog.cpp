#include "dialog.h"

#include <vector>

#include "dialog_template.h"

static HINSTANCE g_module = NULL;
static const wchar_t* g_caption = L"";
static void (*g_helpHandler)(HWND, UINT) = NULL;

void SetDialogModule(HINSTANCE instance)
{
    g_module = instance;
}

HINSTANCE DialogModule()
{
    return g_module;
}

void SetMessageBoxCaption(const wchar_t* caption)
{
    g_caption = caption ? caption : L"";
}

int ShowMessageBox(HWND owner, const wchar_t* text, UINT type)
{
    return MessageBoxW(owner, text, g_caption, type);
}

void SetDialogHelpHandler(void (*handler)(HWND, UINT))
{
    g_helpHandler = handler;
}

void ShowDialogHelp(HWND dialog, UINT templateId)
{
    if (g_helpHandler)
        g_helpHandler(dialog, templateId);
}

const wchar_t* LoadText(UINT id, wchar_t* buffer, int capacity)
{
    if (LoadStringW(g_module, id, buffer, capacity) <= 0)
        buffer[0] = L'\0';
    return buffer;
}

INT_PTR Dialog::DoModal(HWND owner)
{
    std::vector<BYTE> dialogTemplate;
    if (!LoadTemplateWithFont(g_module, templateId_, &dialogTemplate))
        return -1;
    return DialogBoxIndirectParamW(g_module,
                                   reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                   owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

void Dialog::EnableItem(int id, bool enable) const
{
    HWND item = Item(id);
    HWND focus = GetFocus();
    // A disabled control loses the focus to nobody. The top-level dialog moves it, so that a
    // page's last control hands it on to the sheet's buttons.
    if (!enable && focus && (focus == item || IsChild(item, focus)))
        SendMessageW(GetAncestor(hwnd_, GA_ROOT), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(item, enable);
}

bool Dialog::OnCommand(WORD id, WORD)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnNotify(NMHDR*, LRESULT*)
{
    return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*)
{
    return false;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    switch (message) {
    case WM_INITDIALOG:
        return OnInit();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        LRESULT notifyResult = 0;
        if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), &notifyResult))
            return FALSE;
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, notifyResult);
        return TRUE;
    }
    case WM_HELP:
        ShowDialogHelp(hwnd_, templateId_);
        return FALSE;
    }
    if (OnMessage(message, wParam, lParam, &result))
        return result;
    return FALSE;
}

INT_PTR Dialog::Route(Dialog* dialog, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->hwnd_ = hwnd;
    } else {
        dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!dialog)
        return FALSE;
    INT_PTR result = dialog->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        dialog->hwnd_ = NULL;
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    }
    return result;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* dialog = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : NULL;
    return Route(dialog, hwnd, message, wParam, lParam);
}
