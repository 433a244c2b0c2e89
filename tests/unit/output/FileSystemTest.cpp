// The platform's FileSystem over a scratch folder: POSIX natively, the
// Win32 calls when this runs as unit_tests.exe under Wine. Both must give
// the same answers, including Windows' read-only rules.
#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    TempDir tmp;
    FileSystem& fs = DefaultFileSystem();
    std::string dir = tmp.MakeDir("x");
    std::string At(const std::string& name) { return dir + kSep + name; }
};

TEST_F(FileSystemTest, WriteNewCreatesTruncatesAndKeepsBytesExact) {
    const std::string bytes = std::string("[ProvaFari]\r\nA=\xE8\r\n\0x", 19);
    EXPECT_EQ(fs.WriteNew(At("a.TMP"), bytes), FileStatus::Ok);
    EXPECT_EQ(ReadBytes(At("a.TMP")), bytes);
    EXPECT_EQ(fs.WriteNew(At("a.TMP"), "short"), FileStatus::Ok);
    std::string back;
    EXPECT_EQ(fs.ReadAll(At("a.TMP"), back), FileStatus::Ok);
    EXPECT_EQ(back, "short");
    EXPECT_EQ(fs.WriteNew(At("empty"), ""), FileStatus::Ok);
    EXPECT_TRUE(fs.FileExists(At("empty")));
}

TEST_F(FileSystemTest, WriteNewRefusesReadOnlyFilesFoldersAndMissingFolders) {
    WriteBytes(At("ro"), "keep");
    SetReadOnly(At("ro"), true);
    EXPECT_EQ(fs.WriteNew(At("ro"), "new"), FileStatus::Access);
    EXPECT_EQ(ReadBytes(At("ro")), "keep");
    SetReadOnly(At("ro"), false);
    tmp.MakeDir(std::string("x") + kSep + "sub");
    EXPECT_EQ(fs.WriteNew(At("sub"), "new"), FileStatus::Access);
    EXPECT_EQ(fs.WriteNew(At(std::string("gone") + kSep + "a"), "new"), FileStatus::NotFound);
}

TEST_F(FileSystemTest, CopyAndFlushMakesANewFileOnly) {
    WriteBytes(At("src"), "data\r\n");
    EXPECT_EQ(fs.CopyAndFlush(At("src"), At("dst")), FileStatus::Ok);
    EXPECT_EQ(ReadBytes(At("dst")), "data\r\n");
    WriteBytes(At("other"), "old");
    EXPECT_EQ(fs.CopyAndFlush(At("src"), At("other")), FileStatus::Access);
    EXPECT_EQ(ReadBytes(At("other")), "old");
    EXPECT_EQ(fs.CopyAndFlush(At("nosrc"), At("dst2")), FileStatus::NotFound);
    EXPECT_FALSE(Exists(At("dst2")));
    EXPECT_EQ(fs.CopyAndFlush(At("src"), At(std::string("gone") + kSep + "d")), FileStatus::NotFound);
}

TEST_F(FileSystemTest, ReplaceRenamesOntoAnExistingFileButNotAReadOnlyOne) {
    WriteBytes(At("a.FA$"), "new");
    WriteBytes(At("a.FAR"), "old");
    EXPECT_EQ(fs.Replace(At("a.FA$"), At("a.FAR")), FileStatus::Ok);
    EXPECT_EQ(ReadBytes(At("a.FAR")), "new");
    EXPECT_FALSE(Exists(At("a.FA$")));

    WriteBytes(At("b.FA$"), "new");
    EXPECT_EQ(fs.Replace(At("b.FA$"), At("b.FAR")), FileStatus::Ok);  // no older one
    EXPECT_EQ(ReadBytes(At("b.FAR")), "new");

    WriteBytes(At("c.FA$"), "new");
    WriteBytes(At("c.FAR"), "old");
    SetReadOnly(At("c.FAR"), true);
    EXPECT_EQ(fs.Replace(At("c.FA$"), At("c.FAR")), FileStatus::Access);
    EXPECT_EQ(ReadBytes(At("c.FAR")), "old");
    EXPECT_EQ(ReadBytes(At("c.FA$")), "new");
    SetReadOnly(At("c.FAR"), false);

    EXPECT_EQ(fs.Replace(At("none"), At("d.FAR")), FileStatus::NotFound);
}

TEST_F(FileSystemTest, DeleteFollowsWindowsRules) {
    WriteBytes(At("a"), "x");
    EXPECT_EQ(fs.Delete(At("a")), FileStatus::Ok);
    EXPECT_FALSE(Exists(At("a")));
    EXPECT_EQ(fs.Delete(At("a")), FileStatus::NotFound);
    EXPECT_EQ(fs.Delete(At(std::string("gone") + kSep + "a")), FileStatus::NotFound);
    WriteBytes(At("ro"), "x");
    SetReadOnly(At("ro"), true);
    EXPECT_EQ(fs.Delete(At("ro")), FileStatus::Access);
    EXPECT_TRUE(Exists(At("ro")));
    SetReadOnly(At("ro"), false);
    tmp.MakeDir(std::string("x") + kSep + "sub");
    EXPECT_EQ(fs.Delete(At("sub")), FileStatus::Access);
    EXPECT_TRUE(Exists(At("sub")));
}

TEST_F(FileSystemTest, ExistsAndReadAllAreForOrdinaryFiles) {
    WriteBytes(At("f"), "abc");
    tmp.MakeDir(std::string("x") + kSep + "sub");
    EXPECT_TRUE(fs.FileExists(At("f")));
    EXPECT_FALSE(fs.FileExists(At("sub")));
    EXPECT_FALSE(fs.FileExists(At("none")));
    std::string c = "stale";
    EXPECT_EQ(fs.ReadAll(At("sub"), c), FileStatus::Access);
    EXPECT_EQ(c, "");
    EXPECT_EQ(fs.ReadAll(At("none"), c), FileStatus::NotFound);
}

TEST_F(FileSystemTest, ListFilesMatchesPatternAndSkipsFolders) {
    WriteBytes(At("26000123.ACC"), "");
    WriteBytes(At("26000124.acc"), "");
    WriteBytes(At("26000125.FAR"), "");
    WriteBytes(At("25000001.ACC"), "");
    tmp.MakeDir(std::string("x") + kSep + "26000999.ACC");
    std::vector<std::string> names = fs.ListFiles(dir + kSep, "26*.ACC");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"26000123.ACC", "26000124.acc"}));
    EXPECT_TRUE(fs.ListFiles(tmp.Path() + kSep + "gone" + kSep, "*.ACC").empty());
}

}  // namespace
