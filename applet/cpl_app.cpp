#include "cpl_app.h"

#include <htmlhelp.h>
#include <stdio.h>

#include "dialog.h"
#include "resource.h"
#include "system_folder.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

CCplApp g_app;

static const wchar_t* const HelpFileName = L"TqTouch.chm";

HINSTANCE CCplApp::Instance() const
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void CCplApp::LoadAppName()
{
    wchar_t name[256];
    appName_ = LoadText(IDS_APP_NAME, name, 256);
    SetMessageBoxCaption(appName_.c_str());
}

static bool Exists(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// folder + separator + the help file's name, or nothing when that is longer than a path.
static void Candidate(wchar_t* path, const wchar_t* folder, const wchar_t* separator)
{
    int length = _snwprintf(path, MAX_PATH, L"%s%s%s", folder, separator, HelpFileName);
    if (length < 0 || length >= MAX_PATH)
        path[0] = L'\0';
}

bool CCplApp::LocateHelpFile()
{
    // Never the current folder: a help file can run script, and an elevated sheet must not open
    // one that somebody left there.
    wchar_t candidates[3][MAX_PATH] = {};
    wchar_t folder[MAX_PATH];
    DWORD length = GetModuleFileNameW(Instance(), folder, MAX_PATH);
    wchar_t* slash = length && length < MAX_PATH ? wcsrchr(folder, L'\\') : NULL;
    if (slash) {
        slash[1] = L'\0';
        Candidate(candidates[0], folder, L"");
    }
    length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length && length < MAX_PATH)
        Candidate(candidates[1], folder, L"\\Help\\");
    length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length && length < MAX_PATH)
        Candidate(candidates[2], folder, L"\\");
    for (auto& candidate : candidates) {
        if (candidate[0] && Exists(candidate)) {
            helpFilePath_ = candidate;
            helpFileFound_ = true;
            return true;
        }
    }
    helpFileFound_ = false;
    return false;
}

void CCplApp::ShowHelp(HWND caller, UINT dialogId)
{
    if (!helpFileFound_)
        return;
    // HTML Help comes with the system but not with every one; load it only when asked for.
    typedef HWND(WINAPI * HtmlHelpProc)(HWND, LPCWSTR, UINT, DWORD_PTR);
    static HtmlHelpProc htmlHelp = NULL;
    if (!htmlHelp) {
        // By its full path, and its own libraries from there: the host's search would try the
        // host's folder first.
        wchar_t path[MAX_PATH];
        HMODULE library = GetSystemFilePath(L"hhctrl.ocx", path)
                              ? LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH)
                              : NULL;
        if (library)
            htmlHelp = reinterpret_cast<HtmlHelpProc>(
                reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")));
        if (!htmlHelp)
            return;
    }
    if (dialogId)
        htmlHelp(caller, helpFilePath_.c_str(), HH_HELP_CONTEXT, 0x20000 + dialogId);
    else
        htmlHelp(caller, helpFilePath_.c_str(), HH_DISPLAY_TOPIC, 0);
}
