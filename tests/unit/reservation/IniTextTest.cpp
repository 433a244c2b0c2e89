// The in-memory reader of masks and reservations: lists split at their NULs,
// values as the profile functions give them.
#include <gtest/gtest.h>

#include "reservation/IniText.h"

namespace heliotab {
namespace {

using Names = std::vector<std::string>;

TEST(IniText, ListsAndValues) {
    // A section without a name hides its keys; a bare line hides a later key of
    // its name.
    const IniText ini("k=top\r\n[]\r\nk=hidden\r\n[S]\r\n; nota\r\nbare\r\nk=1\r\nbare=2\r\n"
                      ";c=3\r\nm=v\rn=w\r\n=z\r\n[Citt\xE0] ; x\r\n");
    EXPECT_EQ(ini.SectionNames(), (Names{"S", "Citt\xE0"}));
    EXPECT_EQ(ini.KeyNames("s"), (Names{"k", "bare", "m", "n"}));
    EXPECT_EQ(ini.KeyNames("CITT\xC0"), Names{});
    EXPECT_EQ(ini.Value("S", "bare", "none"), "none");
    EXPECT_EQ(ini.Value("S", ";c"), "3");
    EXPECT_EQ(ini.Value("s", "M"), "v");
    EXPECT_EQ(ini.Value("", "k"), "top");
    EXPECT_EQ(IniText().SectionNames(), Names{});
    EXPECT_EQ(SplitIniList(std::string("a\0\0b\0c", 6)), (Names{"a", "", "b"}));
}

} // namespace
} // namespace heliotab
