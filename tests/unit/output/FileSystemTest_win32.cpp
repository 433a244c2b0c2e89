// Win32 only: hidden and system files stay out of the reservation list.
#include <windows.h>

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

TEST(Win32FileSystem, ListFilesLeavesOutHiddenAndSystemFiles) {
    TempDir tmp;
    const std::string dir = tmp.MakeDir("x") + "\\";
    WriteBytes(dir + "26000001.ACC", "");
    WriteBytes(dir + "26000002.ACC", "");
    WriteBytes(dir + "26000003.ACC", "");
    ASSERT_TRUE(SetFileAttributesA((dir + "26000002.ACC").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((dir + "26000003.ACC").c_str(), FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(DefaultFileSystem().ListFiles(dir, "*.ACC"), std::vector<std::string>{"26000001.ACC"});
    SetFileAttributesA((dir + "26000002.ACC").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dir + "26000003.ACC").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32FileSystem, NativePathIsTheWindowsPath) {
    EXPECT_EQ(NativePath("C:\\MCTC\\DIR_FAR\\a.ACC"), "C:\\MCTC\\DIR_FAR\\a.ACC");
}
