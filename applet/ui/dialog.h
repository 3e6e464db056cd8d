// A dialog is its window handle plus virtual hooks; one static procedure routes the messages to
// the object that owns the window.
#pragma once

#include <windows.h>

class Dialog
{
  public:
    explicit Dialog(UINT templateId) : templateId_(templateId) {}
    virtual ~Dialog() {}
    HWND Handle() const
    {
        return hwnd_;
    }
    UINT TemplateId() const
    {
        return templateId_;
    }
    // Runs the dialog modally from the module's template in "Tahoma" 8 points.
    INT_PTR DoModal(HWND owner);

    HWND Item(int id) const
    {
        return GetDlgItem(hwnd_, id);
    }
    // A control about to be disabled first hands the keyboard focus on, so that a keyboard user
    // keeps a place in the dialog.
    void EnableItem(int id, bool enable) const;
    void CheckItem(int id, bool check) const
    {
        CheckDlgButton(hwnd_, id, check ? BST_CHECKED : BST_UNCHECKED);
    }
    bool IsItemChecked(int id) const
    {
        return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
    }

  protected:
    virtual BOOL OnInit()
    {
        return TRUE;
    }
    // Return true when the command was handled.
    virtual bool OnCommand(WORD id, WORD code);
    virtual bool OnNotify(NMHDR* header, LRESULT* result);
    // Any other message; true when handled, with the dialog procedure's result in *result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);
    virtual void OnOK()
    {
        EndDialog(hwnd_, IDOK);
    }
    virtual void OnCancel()
    {
        EndDialog(hwnd_, IDCANCEL);
    }

    // Routes one message; the property page adds its notifications on top.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Binds the object to its window for the routing, from WM_INITDIALOG's parameter.
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Route(Dialog* dialog, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = NULL;
    UINT templateId_;
};

// Where the dialogs find their resources, and the caption of their message boxes.
void SetDialogModule(HINSTANCE instance);
HINSTANCE DialogModule();
void SetMessageBoxCaption(const wchar_t* caption);
int ShowMessageBox(HWND owner, const wchar_t* text, UINT type);

// Help requests (WM_HELP) of every dialog go to this handler with the dialog's template id;
// the message then takes its default way.
void SetDialogHelpHandler(void (*handler)(HWND dialog, UINT templateId));
// Asks that handler for the dialog's help.
void ShowDialogHelp(HWND dialog, UINT templateId);

// A resource string; empty when it is missing.
const wchar_t* LoadText(UINT id, wchar_t* buffer, int capacity);
