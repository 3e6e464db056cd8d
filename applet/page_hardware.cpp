#include "page_hardware.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>

#include "applet_services.h"
#include "tq_registry.h"

static const UINT_PTR SelectionTimer = 1;
static const UINT SelectionPeriodMs = 100;
// Room for the vertical scroll bar beside the list's border.
static const int ListBorder = 4;
static const int ScrollBarRoom = 17;

unsigned QueryTouchDevices(TouchDeviceInfo info[TQTOUCH_MAX_DEVICES])
{
    unsigned present = 0;
    for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        HANDLE device = OpenTouchDevice(n, GENERIC_READ);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        if (TouchControl(device, IOCTL_TQTOUCH_GET_DEVICE_INFO, &info[n], sizeof(info[n])))
            present |= 1u << n;
        CloseHandle(device);
    }
    return present;
}

static void FormatRecordKey(unsigned n, wchar_t* path)
{
    _snwprintf(path, MAX_PATH, CalibrationKeyFormat, TouchParametersKey, ScreenKeyPart, n,
               CalibrationKeyPart);
    path[MAX_PATH - 1] = L'\0';
}

static bool IsCalibrated(unsigned n)
{
    wchar_t path[MAX_PATH];
    FormatRecordKey(n, path);
    HKEY key;
    if (!OpenRegKey(path, KEY_QUERY_VALUE, &key))
        return false;
    DWORD valid = 0;
    bool calibrated = ReadDwordStrict(key, ValidName, &valid) && valid != 0;
    RegCloseKey(key);
    return calibrated;
}

// The port of device n through its Plug and Play instance id; "COM?" when it cannot be found.
static void SerialPortName(unsigned n, wchar_t* port, DWORD capacity)
{
    wcsncpy(port, L"COM?", capacity);
    port[capacity - 1] = L'\0';
    HKEY key;
    if (!OpenRegKey(TouchEnumKey, KEY_QUERY_VALUE, &key))
        return;
    wchar_t name[16], instance[EnumInstanceIdBytes / sizeof(wchar_t) + 1];
    _snwprintf(name, 16, L"%u", n);
    name[15] = L'\0';
    DWORD type = REG_NONE;
    bool found =
        ReadRegString(key, name, instance, EnumInstanceIdBytes / sizeof(wchar_t) + 1, &type) &&
        type == REG_SZ;
    RegCloseKey(key);
    wchar_t path[MAX_PATH];
    const int length = found ? _snwprintf(path, MAX_PATH, L"%s%s%s", SystemEnumKey, instance,
                                          DeviceParametersKeyPart)
                             : -1;
    // A path cut off by the buffer would name another key.
    if (length < 0 || length >= MAX_PATH)
        return;
    if (!OpenRegKey(path, KEY_QUERY_VALUE, &key))
        return;
    wchar_t value[PortNameBytes / sizeof(wchar_t) + 1];
    if (ReadRegString(key, PortNameName, value, PortNameBytes / sizeof(wchar_t) + 1, &type)) {
        wcsncpy(port, value, capacity);
        port[capacity - 1] = L'\0';
    }
    RegCloseKey(key);
}

CPageHardwareDlg::~CPageHardwareDlg()
{
    if (selectProcess_)
        CloseHandle(selectProcess_);
}

BOOL CPageHardwareDlg::OnSetActive()
{
    const bool first = IsFirstActivation();
    BOOL result = PropertyPage::OnSetActive();
    if (first)
        SetUpList();
    else if (selected_ >= 0)
        RefreshStatus();
    return result;
}

void CPageHardwareDlg::SetUpList()
{
    HWND list = Item(IDC_HW_LIST);
    const DWORD added = LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE;
    ListView_SetExtendedListViewStyleEx(list, added, added);
    wchar_t text[256];
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<wchar_t*>(LoadText(IDS_COLUMN_NAME, text, 256));
    column.iSubItem = 0;
    ListView_InsertColumn(list, 0, &column);
    column.pszText = const_cast<wchar_t*>(LoadText(IDS_COLUMN_TYPE, text, 256));
    column.iSubItem = 1;
    ListView_InsertColumn(list, 1, &column);
    RECT rect;
    GetWindowRect(list, &rect);
    int width = rect.right - rect.left - ListBorder;
    if (ListView_GetItemCount(list) > ListView_GetCountPerPage(list))
        width -= ScrollBarRoom;
    if (width > 0) {
        ListView_SetColumnWidth(list, 0, width / 2);
        ListView_SetColumnWidth(list, 1, width / 2);
    }
    ListDevices();
    const int shielded[] = {IDC_HW_SELECT, IDC_CALIBRATE, IDC_HW_RESET};
    for (int id : shielded)
        SendDlgItemMessageW(hwnd_, id, BCM_SETSHIELD, 0, TRUE);
}

void CPageHardwareDlg::ListDevices()
{
    HWND list = Item(IDC_HW_LIST);
    const unsigned present = QueryTouchDevices(info_);
    for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        if (!(present & (1u << n)))
            continue;
        wchar_t name[64], type[256] = L"";
        _snwprintf(name, 64, L"Generic Serial Touch %u", n);
        name[63] = L'\0';
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = name;
        item.lParam = static_cast<LPARAM>(n);
        const int index = ListView_InsertItem(list, &item);
        const UINT typeText[] = {IDS_UNKNOWN, IDS_TYPE_STANDARD, IDS_TYPE_ELO};
        if (info_[n].controllerType < 3)
            LoadText(typeText[info_[n].controllerType], type, 256);
        ListView_SetItemText(list, index, 1, type);
    }
    if (ListView_GetItemCount(list) == 0) {
        ClearProperties();
        return;
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_EnsureVisible(list, 0, FALSE);
    EnableItem(IDC_CALIBRATE, true);
}

void CPageHardwareDlg::RebuildDeviceList()
{
    ListView_DeleteAllItems(Item(IDC_HW_LIST));
    ListDevices();
}

void CPageHardwareDlg::ClearProperties()
{
    selected_ = -1;
    wchar_t text[256];
    SetDlgItemTextW(hwnd_, IDC_HW_LOCATION, LoadText(IDS_LOCATION, text, 256));
    SetDlgItemTextW(hwnd_, IDC_HW_FIRMWARE, LoadText(IDS_FIRMWARE, text, 256));
    SetDlgItemTextW(hwnd_, IDC_HW_STATUS, LoadText(IDS_DEVICE_STATUS, text, 256));
    EnableItem(IDC_CALIBRATE, false);
    EnableItem(IDC_HW_RESET, false);
}

void CPageHardwareDlg::ShowProperties(int n)
{
    const TouchDeviceInfo& info = info_[n];
    wchar_t label[256], detail[512] = L"", line[768];
    switch (info.connection) {
    case ConnectionUnknown:
        LoadText(IDS_UNKNOWN, detail, 512);
        break;
    case ConnectionSerial: {
        wchar_t format[256], port[PortNameBytes / sizeof(wchar_t) + 1];
        SerialPortName(static_cast<unsigned>(n), port, PortNameBytes / sizeof(wchar_t) + 1);
        _snwprintf(detail, 512, LoadText(IDS_SERIAL_PORT, format, 256), port);
        detail[511] = L'\0';
        break;
    }
    case ConnectionDirectIo:
        LoadText(IDS_DIRECT_IO, detail, 512);
        break;
    }
    _snwprintf(line, 768, L"%s%s", LoadText(IDS_LOCATION, label, 256), detail);
    line[767] = L'\0';
    SetDlgItemTextW(hwnd_, IDC_HW_LOCATION, line);
    _snwprintf(line, 768, L"%s%u.%u", LoadText(IDS_FIRMWARE, label, 256),
               static_cast<unsigned>(info.firmwareMajor),
               static_cast<unsigned>(info.firmwareMinor));
    line[767] = L'\0';
    SetDlgItemTextW(hwnd_, IDC_HW_FIRMWARE, line);
    selected_ = n;
    // Enabled with the selection like Reset, not only for the first item after a listing.
    EnableItem(IDC_CALIBRATE, true);
    RefreshStatus();
}

void CPageHardwareDlg::RefreshStatus()
{
    const bool calibrated = IsCalibrated(static_cast<unsigned>(selected_));
    wchar_t label[256], state[256], line[512];
    _snwprintf(line, 512, L"%s%s", LoadText(IDS_DEVICE_STATUS, label, 256),
               LoadText(calibrated ? IDS_CALIBRATED : IDS_NOT_CALIBRATED, state, 256));
    line[511] = L'\0';
    SetDlgItemTextW(hwnd_, IDC_HW_STATUS, line);
    EnableItem(IDC_HW_RESET, calibrated && IsAdministrator());
}

int CPageHardwareDlg::SelectedItemDevice() const
{
    HWND list = Item(IDC_HW_LIST);
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (item.iItem < 0 || !ListView_GetItem(list, &item))
        return -1;
    return static_cast<int>(item.lParam);
}

void CPageHardwareDlg::ResetCalibration()
{
    // The item's device, not its place in the list: with devices 0 and 2 the second item is 2.
    const int n = SelectedItemDevice();
    if (n < 0 || !IsAdministrator())
        return;
    wchar_t path[MAX_PATH];
    FormatRecordKey(static_cast<unsigned>(n), path);
    if (!DeleteRegKey(path))
        return;
    ReloadParameters();
    RefreshStatus();
}

void CPageHardwareDlg::Calibrate()
{
    const int n = SelectedItemDevice();
    if (n < 0)
        return;
    LaunchCalibration(hwnd_, n);
    if (selected_ >= 0)
        RefreshStatus();
}

void CPageHardwareDlg::StartSelection()
{
    HANDLE process;
    if (selectProcess_ || !StartFromAppletFolder(hwnd_, L"TqTouchSelect.exe", NULL, &process))
        return;
    // Without a process there is nothing to wait for, so nothing to list again afterwards.
    if (!process)
        return;
    selectProcess_ = process;
    EnableItem(IDC_HW_SELECT, false);
    SetTimer(hwnd_, SelectionTimer, SelectionPeriodMs, NULL);
}

void CPageHardwareDlg::CheckSelectionEnded()
{
    if (!selectProcess_ || WaitForSingleObject(selectProcess_, 0) != WAIT_OBJECT_0)
        return;
    CloseHandle(selectProcess_);
    selectProcess_ = NULL;
    RebuildDeviceList();
    EnableItem(IDC_HW_SELECT, true);
    KillTimer(hwnd_, SelectionTimer);
}

bool CPageHardwareDlg::OnCommand(WORD id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_HW_SELECT:
        StartSelection();
        return true;
    case IDC_CALIBRATE:
        Calibrate();
        return true;
    case IDC_HW_RESET:
        ResetCalibration();
        return true;
    }
    return false;
}

bool CPageHardwareDlg::OnNotify(NMHDR* header, LRESULT* result)
{
    if (header->idFrom != IDC_HW_LIST || header->code != LVN_ITEMCHANGED)
        return false;
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = change->iItem;
    if (!(change->uNewState & LVIS_SELECTED))
        ClearProperties();
    else if (!(change->uOldState & LVIS_SELECTED) && ListView_GetItem(header->hwndFrom, &item) &&
             item.lParam >= 0 && item.lParam < TQTOUCH_MAX_DEVICES)
        ShowProperties(static_cast<int>(item.lParam));
    *result = 0;
    return true;
}

bool CPageHardwareDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR* result)
{
    if (message != WM_TIMER || wParam != SelectionTimer)
        return false;
    CheckSelectionEnded();
    *result = 0;
    return true;
}
