// The resources of TqTouchSvc.exe and TqTouchInit.exe: icon, asInvoker manifest and version in
// English and German.
#include <gtest/gtest.h>

#include <string>

#include "svc_support.h"

namespace
{

std::string VersionString(const std::string& file, const char* block, const char* name)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0)
        return "<no version>";
    std::string data(size, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, size, &data[0]))
        return "<unreadable>";
    void* value = NULL;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\") + block + "\\" + name;
    if (!VerQueryValueA(&data[0], path.c_str(), &value, &length) || length == 0)
        return "<missing>";
    return static_cast<const char*>(value);
}

void ExpectDeliverableResources(const char* unixPath, const char* original, WORD iconId)
{
    const std::string file = WindowsPath(unixPath);
    HMODULE module = LoadLibraryExA(file.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << file;
    EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCEW(iconId), RT_GROUP_ICON)) << original;
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest) << original;
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    const std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(std::string::npos, xml.find("requestedExecutionLevel level=\"asInvoker\""))
        << original;
    FreeLibrary(module);

    for (const char* block : {"040904B0", "040704B0"}) {
        EXPECT_EQ(original, VersionString(file, block, "OriginalFilename")) << block;
        EXPECT_EQ("1.0.0.0", VersionString(file, block, "FileVersion")) << block;
        EXPECT_NE('<', VersionString(file, block, "FileDescription")[0]) << block;
    }
}

TEST(DeliverableResources, ServiceHasIconManifestAndVersion)
{
    ExpectDeliverableResources(TQ_SVC_EXE, "TqTouchSvc.exe", 101);
}

TEST(DeliverableResources, InitHasIconManifestAndVersion)
{
    ExpectDeliverableResources(TQ_INIT_EXE, "TqTouchInit.exe", 101);
}

} // namespace
