// The registry helpers against Wine's real registry: a key of the test's own under
// HKEY_CURRENT_USER, then the machine-wide autostart entry in both registry views.
#include <gtest/gtest.h>

#include "dialogs/mdlRegAccess_win32.h"

namespace heliotab {
namespace {

using State = RegValue::State;

TEST(Registry, WriteReadDeleteAndWhatCannotBeRead) {
    const HKEY cu = HKEY_CURRENT_USER;
    const char* key = "Software\\HELIOTAB-tests\\Run";
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
    EXPECT_EQ(ReadRegString(cu, key, "HELIOTAB").state, State::Missing); // no key yet
    EXPECT_TRUE(DeleteRegValue(cu, key, "HELIOTAB"));                    // nothing to delete
    // An empty text is stored as one blank; a drive root's path holds two backslashes; 1024
    // bytes hold 1023 characters, and a longer value is there but unread.
    const std::string root = "C:\\\\heliotab.exe", fits(1023, 'x');
    const std::pair<std::string, std::string> rows[] = {
        {root, root}, {"", " "}, {fits, fits}, {fits + "x", ""}};
    for (const auto& [written, read] : rows) {
        ASSERT_TRUE(WriteRegString(cu, key, "HELIOTAB", written));
        const RegValue v = ReadRegString(cu, key, "HELIOTAB");
        EXPECT_EQ(std::pair(v.state, v.text), std::pair(State::Found, read)) << written.size();
    }
    EXPECT_EQ(ReadRegString(cu, key, "other").state, State::Missing);
    EXPECT_TRUE(DeleteRegValue(cu, key, "HELIOTAB"));
    EXPECT_EQ(ReadRegString(cu, key, "HELIOTAB").state, State::Missing);
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
    // A key that cannot be opened for another reason than its absence (Wine grants every right,
    // so a bad handle stands in for a refusal): not known, not written, not deleted.
    const HKEY bad = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    EXPECT_EQ(ReadRegString(bad, key, "HELIOTAB").state, State::Unreadable);
    EXPECT_FALSE(WriteRegString(bad, key, "HELIOTAB", root));
    EXPECT_FALSE(DeleteRegValue(bad, key, "HELIOTAB"));
}

// A 32-bit program's entry lands in the 32-bit view: it is read there, ours is written in the
// 64-bit view, and deleting clears each view.
TEST(Registry, TheAutostartEntryInBothViews) {
    RegistryAutostart entry;
    const std::string path = "C:\\HT\\heliotab.exe";
    ASSERT_TRUE(entry.Delete(RegView::Bits64) && entry.Delete(RegView::Bits32));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, RegistryAutostart::kRunKey, "HELIOTAB", path,
                               KEY_WOW64_32KEY));
    EXPECT_EQ(entry.Read(RegView::Bits32).text, path);
    EXPECT_EQ(entry.Read(RegView::Bits64).state, State::Missing);
    ASSERT_TRUE(entry.Write(path));
    EXPECT_TRUE(entry.Delete(RegView::Bits32));
    EXPECT_EQ(entry.Read(RegView::Bits32).state, State::Missing);
    EXPECT_EQ(entry.Read(RegView::Bits64).text, path);
    EXPECT_TRUE(entry.Delete(RegView::Bits64));
    EXPECT_EQ(entry.Read(RegView::Bits64).state, State::Missing);
}

} // namespace
} // namespace heliotab
