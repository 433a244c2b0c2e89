// The registry helpers against Wine's real registry: a key of the test's own
// under HKEY_CURRENT_USER, then the machine-wide autostart entry itself.
#include <gtest/gtest.h>

#include "dialogs/mdlRegAccess_win32.h"

namespace heliotab {
namespace {

// The value as stored, read past our helpers; "" unless it is a REG_SZ.
std::string Stored(HKEY root, const char* key) {
    char data[2048] = "";
    DWORD size = sizeof data;
    return RegGetValueA(root, key, "HELIOTAB", RRF_RT_REG_SZ, nullptr, data, &size) == ERROR_SUCCESS
               ? data
               : "";
}

TEST(Registry, WriteReadDeleteTheFailureCasesAndTheAutostartEntry) {
    const HKEY cu = HKEY_CURRENT_USER;
    const char* key = "Software\\HELIOTAB-tests\\Run";
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
    EXPECT_EQ(ReadRegString(cu, key, "HELIOTAB"), ""); // no key yet
    EXPECT_FALSE(DeleteRegValue(cu, key, "HELIOTAB"));
    const std::string root = "C:\\\\heliotab.exe", fits(1023, 'x'),
                      too(1024, 'x'); // a drive root's two backslashes
    for (auto [written, stored, read] :
         {std::tuple{root, root, root}, {"", " ", " "}, {fits, fits, fits}, {too, too, ""}}) {
        ASSERT_TRUE(
            WriteRegString(cu, key, "HELIOTAB",
                           written)); // an empty text is stored as one blank; 1024 bytes hold 1023
        EXPECT_EQ(std::pair(Stored(cu, key), ReadRegString(cu, key, "HELIOTAB")),
                  std::pair(stored, read))
            << written.size();
    }
    EXPECT_TRUE(DeleteRegValue(cu, key, "HELIOTAB"));
    EXPECT_EQ(Stored(cu, key), "");
    EXPECT_FALSE(DeleteRegValue(cu, key, "HELIOTAB")); // a missing value is a failure
    RegDeleteTreeA(cu, "Software\\HELIOTAB-tests");
    RegistryAutostart entry; // the machine-wide entry itself, under HKLM ...\Run
    entry.Delete();
    ASSERT_TRUE(entry.Write(root));
    EXPECT_EQ(std::pair(Stored(HKEY_LOCAL_MACHINE, RegistryAutostart::kRunKey), entry.Read()),
              std::pair(root, root));
    EXPECT_TRUE(entry.Delete());
    EXPECT_EQ(entry.Read(), "");
}

} // namespace
} // namespace heliotab
