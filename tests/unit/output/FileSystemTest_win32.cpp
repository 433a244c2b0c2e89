// Win32 only: hidden and system files stay out of the reservation list.
#include <windows.h>

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

TEST(Win32FileSystem, ListFilesLeavesOutHiddenAndSystemFiles) {
    TempDir tmp;
    const std::string dir = tmp.MakeDir("x") + "\\";
    const std::pair<const char*, DWORD> files[] = {{"26000001.ACC", FILE_ATTRIBUTE_NORMAL},
                                                   {"26000002.ACC", FILE_ATTRIBUTE_HIDDEN},
                                                   {"26000003.ACC", FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& [name, attributes] : files) {
        WriteFile(dir + name, "");
        ASSERT_TRUE(SetFileAttributesA((dir + name).c_str(), attributes));
    }
    EXPECT_EQ(DefaultFileSystem().ListFiles(dir, "*.ACC"),
              std::vector<std::string>{"26000001.ACC"});
    for (const auto& [name, attributes] : files)
        SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(NativePath("C:\\MCTC\\DIR_FAR\\a.ACC"), "C:\\MCTC\\DIR_FAR\\a.ACC");
}
