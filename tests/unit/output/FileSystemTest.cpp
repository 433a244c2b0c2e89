// The platform's FileSystem over a scratch folder: POSIX natively, the Win32 calls when this
// runs as unit_tests.exe under Wine. Both must give the same answers, including Windows'
// read-only rules.
#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

using namespace heliotab;
using namespace heliotab::testing_output;

TEST(FileSystem, AnswersAndBytes) {
    TempDir tmp;
    FileSystem& fs = DefaultFileSystem();
    const std::string dir = tmp.MakeDir("x") + kSep, gone = dir + "gone" + kSep + "a",
                      bytes = std::string("[P]\r\nA=\xE8\r\n\0x", 12);
    tmp.MakeDir(std::string("x") + kSep + "sub");
    for (const char* name : {"ro", "src", "old", "c.FA$", "c.FAR", "b.FA$"})
        WriteFile(dir + name, name);
    SetReadOnly(dir + "ro", true);
    SetReadOnly(dir + "c.FAR", true);
    std::string back = "stale";
    using enum FileStatus;
    // WriteNew creates or truncates; CopyAndFlush makes a new file only; Replace renames onto a
    // file or none, never onto a read-only one; Delete keeps Windows' rules.
    EXPECT_EQ((std::vector{fs.WriteNew(dir + "a", bytes), fs.ReadAll(dir + "a", back)}),
              (std::vector{Ok, Ok}));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(
        (std::vector{
            fs.WriteNew(dir + "a", "short"), fs.WriteNew(dir + "ro", "new"),
            fs.WriteNew(dir + "sub", "new"), fs.WriteNew(gone, "new"),
            fs.CopyAndFlush(dir + "src", dir + "dst"), fs.CopyAndFlush(dir + "src", dir + "old"),
            fs.CopyAndFlush(dir + "nosrc", dir + "d2"), fs.CopyAndFlush(dir + "src", gone),
            fs.Replace(dir + "b.FA$", dir + "b.FAR"), fs.Replace(dir + "none", dir + "d.FAR"),
            fs.Replace(dir + "c.FA$", dir + "c.FAR"), fs.Delete(dir + "src"),
            fs.Delete(dir + "src"), fs.Delete(gone), fs.Delete(dir + "ro"), fs.Delete(dir + "sub"),
            fs.ReadAll(dir + "sub", back), fs.ReadAll(dir + "none", back)}),
        (std::vector{Ok, Access, Access, NotFound, Ok, Access, NotFound, NotFound, Ok, NotFound,
                     Access, Ok, NotFound, NotFound, Access, Access, Access, NotFound}));
    EXPECT_EQ(back, "");
    EXPECT_TRUE(fs.FileExists(dir + "a") && !fs.FileExists(dir + "sub"));
    SetReadOnly(dir + "ro", false);
    SetReadOnly(dir + "c.FAR", false);
    const std::pair<std::string, std::string> files[] = {
        {"a", "short"}, {"b.FAR", "b.FA$"}, {"c.FA$", "c.FA$"}, {"c.FAR", "c.FAR"},
        {"dst", "src"}, {"old", "old"},     {"ro", "ro"},
    };
    for (const auto& [name, content] : files)
        EXPECT_EQ(ReadFile(dir + name), content) << name;
    // ListFiles matches the pattern without regard to case and skips folders.
    for (const char* name : {"26000123.ACC", "26000124.acc", "26000125.FAR"})
        WriteFile(dir + name, "");
    tmp.MakeDir(std::string("x") + kSep + "26000999.ACC");
    Names names = fs.ListFiles(dir, "26*.ACC");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"26000123.ACC", "26000124.acc"}));
    EXPECT_TRUE(fs.ListFiles(dir + "gone" + kSep, "*.ACC").empty());
}
