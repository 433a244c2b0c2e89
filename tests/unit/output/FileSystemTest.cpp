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
    const std::string gone = At(std::string("gone") + kSep + "a"),
                      bytes = std::string("[P]\r\nA=\xE8\r\n\0x", 12);
    tmp.MakeDir(std::string("x") + kSep + "sub"),
        tmp.MakeDir(std::string("x") + kSep + "26000999.ACC");
    for (const char* name : {"ro", "src", "old", "c.FA$", "c.FAR", "b.FA$"})
        WriteFile(At(name), name);
    SetReadOnly(At("ro"), true);

    using enum FileStatus;
    // WriteNew creates or truncates; refuses read-only files, folders and missing folders.
    // CopyAndFlush makes a new file only.
    EXPECT_EQ(fs.WriteNew(At("a"), bytes), Ok);
    EXPECT_EQ(ReadFile(At("a")), bytes);
    std::string back = "stale";
    EXPECT_EQ(
        (std::vector<FileStatus>{
            fs.WriteNew(At("a"), "short"), fs.ReadAll(At("a"), back), fs.WriteNew(At("ro"), "new"),
            fs.WriteNew(At("sub"), "new"), fs.WriteNew(gone, "new"),
            fs.CopyAndFlush(At("src"), At("dst")), fs.CopyAndFlush(At("src"), At("old")),
            fs.CopyAndFlush(At("nosrc"), At("dst2")), fs.CopyAndFlush(At("src"), gone)}),
        (std::vector<FileStatus>{Ok, Ok, Access, Access, NotFound, Ok, Access, NotFound,
                                 NotFound}));
    EXPECT_EQ(back, "short");
    // Replace renames onto an existing file or none, never onto a read-only one; Delete keeps
    // Windows' rules.
    EXPECT_EQ((std::vector<FileStatus>{
                  fs.Replace(At("b.FA$"), At("b.FAR")), fs.Replace(At("none"), At("d.FAR")),
                  (SetReadOnly(At("c.FAR"), true), fs.Replace(At("c.FA$"), At("c.FAR"))),
                  (SetReadOnly(At("c.FAR"), false), fs.Replace(At("c.FA$"), At("c.FAR"))),
                  fs.Delete(At("src")), fs.Delete(At("src")), fs.Delete(gone), fs.Delete(At("ro")),
                  fs.Delete(At("sub"))}),
              (std::vector<FileStatus>{Ok, NotFound, Access, Ok, Ok, NotFound, NotFound, Access,
                                       Access}));
    // Exists and ReadAll are for ordinary files.
    EXPECT_TRUE(fs.FileExists(At("a")) && !fs.FileExists(At("sub")) && !fs.FileExists(At("none")));
    EXPECT_EQ(fs.ReadAll(At("sub"), back), Access);
    EXPECT_EQ(back, "");
    EXPECT_EQ(fs.ReadAll(At("none"), back), NotFound);
    SetReadOnly(At("ro"), false);

    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"26000999.ACC", "a", "b.FAR", "c.FAR", "dst",
                                                      "old", "ro", "sub"}));
    for (const auto& [name, want] :
         std::vector<std::pair<std::string, std::string>>{{"a", "short"},
                                                          {"b.FAR", "b.FA$"},
                                                          {"c.FAR", "c.FA$"},
                                                          {"dst", "src"},
                                                          {"old", "old"},
                                                          {"ro", "ro"}})
        EXPECT_EQ(ReadFile(At(name)), want) << name;

    // ListFiles matches the pattern without regard to case and skips folders.
    for (const char* name : {"26000123.ACC", "26000124.acc", "26000125.FAR", "25000001.ACC"})
        WriteFile(At(name), "");
    std::vector<std::string> names = fs.ListFiles(dir + kSep, "26*.ACC");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"26000123.ACC", "26000124.acc"}));
    EXPECT_TRUE(fs.ListFiles(tmp.Path() + kSep + "gone" + kSep, "*.ACC").empty());
}
