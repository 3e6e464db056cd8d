// The harness itself: every test program must run inside the build tree's private prefix, on the
// harness's own display, never in a user's prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

TEST(Harness, RunsInItsPrivatePrefix)
{
    const char* prefix = getenv("WINEPREFIX");
    ASSERT_NE(nullptr, prefix) << "not started through the harness";
    EXPECT_EQ(std::string(TQ_HARNESS_DIR) + "/prefix", prefix);
#ifndef _WIN64
    // An i686 build's harness prefix is 32-bit; a 64-bit one would have a SysWOW64 folder. (An
    // x86_64 build runs only in a 64-bit prefix.)
    wchar_t windir[MAX_PATH];
    ASSERT_NE(0u, GetWindowsDirectoryW(windir, MAX_PATH));
    std::wstring wow = std::wstring(windir) + L"\\SysWOW64";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(wow.c_str()));
#endif
}

TEST(Harness, HasItsOwnDisplay)
{
    const char* display = getenv("DISPLAY");
    ASSERT_NE(nullptr, display);
    // Wine maps the Unix root to Z:, so the harness's own record of its display can be read.
    std::string path = std::string("Z:") + TQ_HARNESS_DIR + "/display";
    FILE* file = fopen(path.c_str(), "r");
    ASSERT_NE(nullptr, file) << path;
    char started[32] = "";
    ASSERT_NE(nullptr, fgets(started, sizeof(started), file));
    fclose(file);
    started[strcspn(started, "\r\n")] = 0;
    EXPECT_STREQ(started, display) << "a test must not use a display the harness did not start";
    EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
    HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, NULL,
                                  NULL, NULL, NULL);
    ASSERT_NE(nullptr, window);
    DestroyWindow(window);
}
