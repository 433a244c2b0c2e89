// The registry helpers against Wine's real registry: a key of the test's own
// under HKEY_CURRENT_USER, then the machine-wide autostart entry itself.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/mdlRegAccess_win32.h"

namespace heliotab {
namespace {

// The value as stored, read past our helpers; "" unless it is a REG_SZ.
std::string Stored(HKEY root, const char* key, const char* name) {
    char data[2048] = "";
    DWORD size = sizeof data;
    return RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size) == ERROR_SUCCESS ? data : "";
}

TEST(Registry, WriteReadDeleteAndTheFailureCases) {
    const HKEY cu = HKEY_CURRENT_USER;
    const char* key = "Software\\HELIOTAB-tests\\Run";
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
    EXPECT_EQ(ReadRegString(cu, key, "HELIOTAB"), "");  // no key yet
    EXPECT_FALSE(DeleteRegValue(cu, key, "HELIOTAB"));
    const struct { std::string written, stored, read; } rows[] = {
        {"C:\\\\heliotab.exe", "C:\\\\heliotab.exe", "C:\\\\heliotab.exe"},  // a drive root's two backslashes
        {"", " ", " "},                                                    // an empty text is stored as one blank
        {std::string(1023, 'x'), std::string(1023, 'x'), std::string(1023, 'x')},  // fits 1024 bytes with its NUL
        {std::string(1024, 'x'), std::string(1024, 'x'), ""},              // does not
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(WriteRegString(cu, key, "HELIOTAB", r.written)) << r.written.size();
        EXPECT_EQ(Stored(cu, key, "HELIOTAB"), r.stored) << r.written.size();
        EXPECT_EQ(ReadRegString(cu, key, "HELIOTAB"), r.read) << r.written.size();
    }
    EXPECT_TRUE(DeleteRegValue(cu, key, "HELIOTAB"));
    EXPECT_EQ(Stored(cu, key, "HELIOTAB"), "");
    EXPECT_FALSE(DeleteRegValue(cu, key, "HELIOTAB"));  // a missing value is a failure
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
}

TEST(Registry, TheAutostartEntryLivesUnderHklmRun) {
    RegistryAutostart entry;
    entry.Delete();
    ASSERT_TRUE(entry.Write("C:\\HT\\heliotab.exe"));
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, RegistryAutostart::kRunKey, "HELIOTAB"), "C:\\HT\\heliotab.exe");
    EXPECT_EQ(entry.Read(), "C:\\HT\\heliotab.exe");
    EXPECT_TRUE(entry.Delete());
    EXPECT_EQ(entry.Read(), "");
}

}  // namespace
}  // namespace heliotab
