// A station of fakes over a real temporary folder: the program folder holds
// the masks, acc/ is the exchange directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_reservation {

using testutil::ReadFile;
using testutil::WriteFile;

// Turns "\n" into CR LF, so test files read as the booking software writes them.
inline std::string Crlf(std::string t) {
    for (size_t at = 0; (at = t.find('\n', at)) != std::string::npos; at += 2)
        t.insert(at, 1, '\r');
    return t;
}

// text with the first `from` replaced by `to`; an empty `from` appends.
inline std::string Edit(std::string text, const std::string& from, const std::string& to) {
    const size_t at = from.empty() ? text.size() : text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class ReservationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(acc);
        fs.state.programDir = root, fs.state.AccDirectory = acc;
        for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            WriteFile(root + "/" + name,
                      ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
    }
    void WriteMask(const std::string& name, const std::string& text) {
        WriteFile(root + "/" + name, Crlf(text));
    }
    std::string WriteAcc(const std::string& name, const std::string& bytes) {
        return WriteFile(acc + name, bytes), acc + name;
    }
    std::string Lang(int id) { return GetLangString(fs.state, id); }

    testutil::TempDir tmp;
    std::string root = tmp.Path(), acc = root + "/acc/";
    fakes::FakeStation fs{DefaultFileSystem()};
    Station& s = fs.station;
};

} // namespace heliotab::testing_reservation
