// Native only: dot files stand in for hidden files.
#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

TEST(NativeFileSystem, ListFilesLeavesOutDotFilesAndMapsSeparators) {
    TempDir tmp;
    const std::string dir = tmp.MakeDir("x") + "/";
    WriteFile(dir + "26000001.ACC", ""), WriteFile(dir + ".26000002.ACC", "");
    EXPECT_EQ(DefaultFileSystem().ListFiles(dir, "*.ACC"),
              std::vector<std::string>{"26000001.ACC"});
    EXPECT_EQ(NativePath("C:\\MCTC\\a.ACC"), "C:/MCTC/a.ACC");
}
