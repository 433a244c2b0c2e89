// The platform's FileSystem over a scratch folder: POSIX natively, the
// Win32 calls when this runs as unit_tests.exe under Wine. Both must give
// the same answers, including Windows' read-only rules.
#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

TEST(FileSystem, AnswersAndBytes) {
    TempDir tmp;
    FileSystem& fs = DefaultFileSystem();
    const std::string dir = tmp.MakeDir("x");
    auto At = [&](const std::string& name) { return dir + kSep + name; };
    const std::string gone = At(std::string("gone") + kSep + "a"), bytes = std::string("[P]\r\nA=\xE8\r\n\0x", 12);
    tmp.MakeDir(std::string("x") + kSep + "sub");
    tmp.MakeDir(std::string("x") + kSep + "26000999.ACC");
    for (const char* name : {"ro", "src", "old", "c.FA$", "c.FAR", "b.FA$"}) WriteBytes(At(name), name);
    SetReadOnly(At("ro"), true);

    // WriteNew creates or truncates; refuses read-only files, folders and missing folders.
    EXPECT_EQ(fs.WriteNew(At("a"), bytes), FileStatus::Ok);
    EXPECT_EQ(ReadBytes(At("a")), bytes);
    EXPECT_EQ(fs.WriteNew(At("a"), "short"), FileStatus::Ok);
    std::string back = "stale";
    EXPECT_EQ(fs.ReadAll(At("a"), back), FileStatus::Ok);
    EXPECT_EQ(back, "short");
    EXPECT_EQ(fs.WriteNew(At("ro"), "new"), FileStatus::Access);
    EXPECT_EQ(fs.WriteNew(At("sub"), "new"), FileStatus::Access);
    EXPECT_EQ(fs.WriteNew(gone, "new"), FileStatus::NotFound);
    // CopyAndFlush makes a new file only.
    EXPECT_EQ(fs.CopyAndFlush(At("src"), At("dst")), FileStatus::Ok);
    EXPECT_EQ(fs.CopyAndFlush(At("src"), At("old")), FileStatus::Access);
    EXPECT_EQ(fs.CopyAndFlush(At("nosrc"), At("dst2")), FileStatus::NotFound);
    EXPECT_EQ(fs.CopyAndFlush(At("src"), gone), FileStatus::NotFound);
    // Replace renames onto an existing file or none, never onto a read-only one.
    EXPECT_EQ(fs.Replace(At("b.FA$"), At("b.FAR")), FileStatus::Ok);
    EXPECT_EQ(fs.Replace(At("none"), At("d.FAR")), FileStatus::NotFound);
    SetReadOnly(At("c.FAR"), true);
    EXPECT_EQ(fs.Replace(At("c.FA$"), At("c.FAR")), FileStatus::Access);
    SetReadOnly(At("c.FAR"), false);
    EXPECT_EQ(fs.Replace(At("c.FA$"), At("c.FAR")), FileStatus::Ok);
    // Delete: Windows' rules.
    EXPECT_EQ(fs.Delete(At("src")), FileStatus::Ok);
    EXPECT_EQ(fs.Delete(At("src")), FileStatus::NotFound);
    EXPECT_EQ(fs.Delete(gone), FileStatus::NotFound);
    EXPECT_EQ(fs.Delete(At("ro")), FileStatus::Access);
    EXPECT_EQ(fs.Delete(At("sub")), FileStatus::Access);
    // Exists and ReadAll are for ordinary files.
    EXPECT_TRUE(fs.FileExists(At("a")) && !fs.FileExists(At("sub")) && !fs.FileExists(At("none")));
    EXPECT_EQ(fs.ReadAll(At("sub"), back), FileStatus::Access);
    EXPECT_EQ(back, "");
    EXPECT_EQ(fs.ReadAll(At("none"), back), FileStatus::NotFound);
    SetReadOnly(At("ro"), false);

    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"26000999.ACC", "a", "b.FAR", "c.FAR", "dst", "old", "ro", "sub"}));
    for (const auto& [name, want] : std::vector<std::pair<std::string, std::string>>{
             {"a", "short"}, {"b.FAR", "b.FA$"}, {"c.FAR", "c.FA$"}, {"dst", "src"}, {"old", "old"}, {"ro", "ro"}})
        EXPECT_EQ(ReadBytes(At(name)), want) << name;

    // ListFiles matches the pattern without regard to case and skips folders.
    for (const char* name : {"26000123.ACC", "26000124.acc", "26000125.FAR", "25000001.ACC"}) WriteBytes(At(name), "");
    std::vector<std::string> names = fs.ListFiles(dir + kSep, "26*.ACC");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"26000123.ACC", "26000124.acc"}));
    EXPECT_TRUE(fs.ListFiles(tmp.Path() + kSep + "gone" + kSep, "*.ACC").empty());
}
