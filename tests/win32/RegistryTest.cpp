// mdlRegAccess against the real registry (Wine's, under the test prefix): a
// key of the test's own under HKEY_CURRENT_USER, then the machine-wide
// autostart entry itself.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogs/mdlRegAccess_win32.h"

namespace heliotab {
namespace {

const std::string kKey = "Software\\HELIOTAB-tests\\Run";

DWORD TypeAndSize(const std::string& name, DWORD& size) {
    HKEY key = nullptr;
    DWORD type = 0;
    size = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) type = 0;
    RegCloseKey(key);
    return type;
}

TEST(Registry, WriteReadDeleteAndTheFailureCases) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\HELIOTAB-tests");
    // Nothing there yet: the key cannot be opened.
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "HELIOTAB"), "");
    EXPECT_FALSE(DeleteRegValue(HKEY_CURRENT_USER, kKey, "HELIOTAB"));

    const std::string path = "C:\\\\heliotab.exe";  // a drive root's two backslashes
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, "HELIOTAB", path));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "HELIOTAB"), path);
    DWORD size = 0;
    EXPECT_EQ(TypeAndSize("HELIOTAB", size), static_cast<DWORD>(REG_SZ));

    // An empty text is stored as one blank.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, "Empty", ""));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "Empty"), " ");

    // 1023 characters and their NUL fit the 1024-byte buffer; 1024 do not.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, "Long", std::string(1023, 'x')));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "Long"), std::string(1023, 'x'));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kKey, "Long", std::string(1024, 'x')));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "Long"), "");

    EXPECT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, kKey, "HELIOTAB"));
    EXPECT_EQ(TypeAndSize("HELIOTAB", size), 0u);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, kKey, "HELIOTAB"), "");
    EXPECT_FALSE(DeleteRegValue(HKEY_CURRENT_USER, kKey, "HELIOTAB"));  // a missing value is a failure
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\HELIOTAB-tests");
}

TEST(Registry, TheAutostartEntryLivesUnderHklmRun) {
    RegistryAutostart entry;
    entry.Delete();
    ASSERT_TRUE(entry.Write("C:\\HT\\heliotab.exe"));
    char data[64] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, RegistryAutostart::kRunKey, "HELIOTAB", RRF_RT_REG_SZ, nullptr, data,
                           &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, "C:\\HT\\heliotab.exe");
    EXPECT_EQ(entry.Read(), "C:\\HT\\heliotab.exe");
    EXPECT_TRUE(entry.Delete());
    EXPECT_EQ(entry.Read(), "");
}

}  // namespace
}  // namespace heliotab
