#include "calib_drive.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <algorithm>

COLORREF ScreenShot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool CaptureScreen(ScreenShot* shot)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = bitmap != NULL;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        shot->width = w;
        shot->height = h;
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        shot->pixels.assign(p, p + static_cast<size_t>(w) * h);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

bool SaveBitmap(const ScreenShot& shot, const wchar_t* path)
{
    const int stride = (shot.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = shot.width;
    header.biHeight = shot.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = stride * shot.height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = _wfopen(path, L"wb");
    if (!out)
        return false;
    fwrite(&file, sizeof(file), 1, out);
    fwrite(&header, sizeof(header), 1, out);
    std::vector<unsigned char> row(stride, 0);
    for (int y = shot.height - 1; y >= 0; --y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t p = shot.pixels[static_cast<size_t>(y) * shot.width + x];
            row[x * 3] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
        fwrite(row.data(), 1, stride, out);
    }
    return fclose(out) == 0;
}

bool IsMarkAt(const ScreenShot& shot, int x, int y)
{
    const COLORREF white = RGB(255, 255, 255);
    return shot.At(x, y) == white && shot.At(x - 2, y) == CalibMarkColor &&
           shot.At(x + 2, y) == CalibMarkColor && shot.At(x, y - 2) == CalibMarkColor &&
           shot.At(x, y + 2) == CalibMarkColor;
}

bool FindMark(const ScreenShot& shot, POINT* centre)
{
    for (int y = 2; y < shot.height - 2; ++y) {
        for (int x = 2; x < shot.width - 2; ++x) {
            if (IsMarkAt(shot, x, y)) {
                centre->x = x;
                centre->y = y;
                return true;
            }
        }
    }
    return false;
}

bool WaitForMarkMove(POINT from, POINT* found, DWORD timeoutMs)
{
    bool present = true;
    *found = from;
    WaitUntil(
        [&] {
            ScreenShot shot;
            if (!CaptureScreen(&shot))
                return false;
            POINT now;
            present = FindMark(shot, &now);
            if (present && now.x == from.x && now.y == from.y)
                return false;
            if (present)
                *found = now;
            return true;
        },
        timeoutMs, false);
    return present;
}

int CountColor(const ScreenShot& shot, const RECT& area, COLORREF color)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x)
            count += shot.At(x, y) == color;
    }
    return count;
}

// Runs use(remote) on a block of the type in the control's process: local, once place(remote)
// has pointed it at its remote address, is copied there before and back afterwards.
template <typename Block, typename Place, typename Use>
static bool WithRemote(HWND control, Block* local, Place place, Use use)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(control, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    Block* remote = process ? static_cast<Block*>(VirtualAllocEx(process, NULL, sizeof(Block),
                                                                 MEM_COMMIT, PAGE_READWRITE))
                            : NULL;
    if (remote)
        place(remote);
    bool ok = remote && WriteProcessMemory(process, remote, local, sizeof(Block), NULL) &&
              use(remote) && ReadProcessMemory(process, remote, local, sizeof(Block), NULL);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    if (process)
        CloseHandle(process);
    return ok;
}

std::vector<std::wstring> ListViewItems(HWND list)
{
    struct Item {
        LVITEMW item;
        wchar_t text[128];
    };
    std::vector<std::wstring> items;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        Item local = {};
        local.item.cchTextMax = 128;
        WithRemote(
            list, &local, [&](Item* remote) { local.item.pszText = remote->text; },
            [&](Item* remote) {
                return SendMessageW(list, LVM_GETITEMTEXTW, i,
                                    reinterpret_cast<LPARAM>(&remote->item)) >= 0;
            });
        items.push_back(local.text);
    }
    return items;
}

bool ItemScreenRect(HWND control, UINT message, int index, RECT* rect)
{
    *rect = {LVIR_ICON, 0, 0, 0};
    if (!WithRemote(
            control, rect, [](RECT*) {},
            [&](RECT* remote) {
                return SendMessageW(control, message, index, reinterpret_cast<LPARAM>(remote)) != 0;
            }))
        return false;
    MapWindowPoints(control, NULL, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

void MovePointer(int x, int y)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, w - 1);
    input.mi.dy = MulDiv(y, 65535, h - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
    POINT now;
    // Rounding of the normalised coordinates must not move the touch off the mark.
    if (GetCursorPos(&now) && (now.x != x || now.y != y))
        SetCursorPos(x, y);
}

static void Buttons(int presses)
{
    std::vector<INPUT> inputs;
    for (int i = 0; i < presses; ++i) {
        for (DWORD flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = flag;
            inputs.push_back(input);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Click(int x, int y)
{
    MovePointer(x, y);
    Buttons(1);
}

void DoubleClick(int x, int y)
{
    MovePointer(x, y);
    Buttons(2);
}

void PressKey(WORD virtualKey)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

HANDLE LaunchLikeTheApplet(const std::wstring& program, const wchar_t* parameters)
{
    const std::wstring folder = program.substr(0, program.find_last_of(L"/\\"));
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters;
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return NULL;
    return info.hProcess;
}

static void PumpOnce()
{
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, bool pump)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (pump)
            PumpOnce();
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        if (pump)
            MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        else
            Sleep(10);
    }
}

void Pump(DWORD ms)
{
    WaitUntil([] { return false; }, ms, true);
}

HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs)
{
    HWND window = NULL;
    WaitUntil([&] { return (window = FindWindowW(className, NULL)) != NULL; }, timeoutMs, false);
    return window;
}

BoxWatcher::BoxWatcher(const wchar_t* caption, int answer, DWORD holdMs)
    : caption_(caption), answer_(answer), hold_(holdMs)
{
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(NULL, 0, Run, this, 0, NULL);
}

BoxWatcher::~BoxWatcher()
{
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

std::vector<std::wstring> BoxWatcher::Texts()
{
    EnterCriticalSection(&lock_);
    std::vector<std::wstring> texts = texts_;
    LeaveCriticalSection(&lock_);
    return texts;
}

size_t BoxWatcher::Count()
{
    return Texts().size();
}

void BoxWatcher::SetAnswer(int answer)
{
    InterlockedExchange(&answer_, answer);
}

DWORD WINAPI BoxWatcher::Run(void* self)
{
    BoxWatcher* watcher = static_cast<BoxWatcher*>(self);
    while (!watcher->stop_) {
        HWND box = NULL;
        while ((box = FindWindowExW(NULL, box, L"#32770", watcher->caption_.c_str())) != NULL) {
            if (std::find(watcher->handled_.begin(), watcher->handled_.end(), box) !=
                watcher->handled_.end())
                continue;
            if (!IsWindowVisible(box))
                continue;
            watcher->handled_.push_back(box);
            wchar_t text[2048] = L"";
            GetDlgItemTextW(box, 0xFFFF, text, 2048);
            EnterCriticalSection(&watcher->lock_);
            watcher->texts_.push_back(text);
            LeaveCriticalSection(&watcher->lock_);
            Sleep(watcher->hold_);
            const int answer = watcher->answer_;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        }
        Sleep(20);
    }
    return 0;
}

std::wstring ExpectedErrorText(const std::wstring& text, const std::wstring& word, DWORD code)
{
    if (code == 0)
        return text;
    wchar_t system[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0,
                   system, 1024, NULL);
    std::wstring full = text + L"\n" + word + L" " + std::to_wstring(code) + L": " + system;
    while (!full.empty() && iswspace(full.back()))
        full.pop_back();
    return full;
}
