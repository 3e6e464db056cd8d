#include "data_exchange.h"

#include <stdio.h>

#include "dialog.h"
#include "resource.h"

static std::wstring ControlText(HWND control)
{
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], length + 1)));
    return text;
}

bool ParseInteger(const wchar_t* text, int32_t* value)
{
    while (*text == L' ' || *text == L'\t')
        ++text;
    bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+')
        ++text;
    if (*text < L'0' || *text > L'9')
        return false;
    int64_t number = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        number = number * 10 + (*text - L'0');
        if (number > 2147483648LL)
            return false;
    }
    while (*text == L' ' || *text == L'\t')
        ++text;
    if (*text != L'\0')
        return false;
    if (negative)
        number = -number;
    if (number > INT32_MAX)
        return false;
    *value = static_cast<int32_t>(number);
    return true;
}

void DataExchange::Fail(int id, const wchar_t* text, bool selectText)
{
    failed_ = true;
    ShowMessageBox(dialog_, text, MB_OK | MB_ICONEXCLAMATION);
    HWND control = GetDlgItem(dialog_, id);
    SetFocus(control);
    if (selectText)
        SendMessageW(control, EM_SETSEL, 0, -1);
}

void DataExchange::Int(int id, int32_t* value)
{
    if (failed_)
        return;
    if (!from_) {
        SetDlgItemTextW(dialog_, id, std::to_wstring(*value).c_str());
        return;
    }
    if (!ParseInteger(ControlText(GetDlgItem(dialog_, id)).c_str(), value)) {
        wchar_t text[256];
        Fail(id, LoadText(IDS_DX_INTEGER, text, 256), true);
    }
}

void DataExchange::Text(int id, std::wstring* value)
{
    if (failed_)
        return;
    if (from_)
        *value = ControlText(GetDlgItem(dialog_, id));
    else
        SetDlgItemTextW(dialog_, id, value->c_str());
}

void DataExchange::Check(int id, bool* value)
{
    if (failed_)
        return;
    if (from_)
        *value = IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
    else
        CheckDlgButton(dialog_, id, *value ? BST_CHECKED : BST_UNCHECKED);
}

void DataExchange::ListText(int id, std::wstring* value)
{
    if (failed_)
        return;
    HWND list = GetDlgItem(dialog_, id);
    if (!from_) {
        // CB_SELECTSTRING selects by prefix and keeps the selection when nothing matches.
        SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(value->c_str()));
        return;
    }
    LRESULT item = SendMessageW(list, CB_GETCURSEL, 0, 0);
    value->clear();
    if (item == CB_ERR)
        return;
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, item, 0);
    if (length <= 0)
        return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(list, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    *value = text;
}

void DataExchange::Range(int id, int32_t value, int32_t min, int32_t max)
{
    if (failed_ || !from_ || (value >= min && value <= max))
        return;
    wchar_t format[256];
    LoadText(IDS_DX_INTEGER_RANGE, format, 256);
    wchar_t low[16], high[16];
    _snwprintf(low, 16, L"%d", min);
    _snwprintf(high, 16, L"%d", max);
    const DWORD_PTR inserts[2] = {reinterpret_cast<DWORD_PTR>(low),
                                  reinterpret_cast<DWORD_PTR>(high)};
    wchar_t text[512];
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, format, 0, 0,
                        text, 512, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts))))
        lstrcpynW(text, format, 512);
    Fail(id, text, true);
}
