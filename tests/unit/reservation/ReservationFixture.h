// A station of fakes over a real temporary folder: the program folder holds
// the shipped masks, acc/ is the exchange directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_reservation {

using testutil::ReadFile;
using testutil::WriteFile;

// A message as the operator sees it.
struct Shown {
    std::string title, text;
    int style = kStyleStop;
    bool operator==(const Shown&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Shown& m) {
    return o << "[" << m.title << "] " << m.text << " (style " << m.style << ")";
}

// Turns "\n" into CR LF, as the booking software ends its lines.
inline std::string Crlf(std::string t) {
    for (size_t at = 0; (at = t.find('\n', at)) != std::string::npos; at += 2)
        t.insert(at, 1, '\r');
    return t;
}

// text with the first `from` replaced by `to`.
inline std::string Edit(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class ReservationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(acc);
        fs.state.programDir = root;
        fs.state.AccDirectory = acc;
        fs.state.LanguageIni.SetIniFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
        fs.state.sLanguage = "English";
        for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            WriteFile(root + "/" + name,
                      ReadFile(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
    }
    std::vector<Shown> Messages() const {
        std::vector<Shown> out;
        for (const fakes::ShownMessage& m : fs.messages.shown)
            out.push_back({m.title, m.text, m.style});
        return out;
    }
    // A stop message: title and text by language id.
    Shown Stop(int title, int text) { return {Lang(title), Lang(text)}; }
    std::string Lang(int id) { return GetLangString(fs.state, id); }

    testutil::TempDir tmp;
    std::string root = tmp.Path();
    std::string acc = root + "/acc/";
    fakes::FakeStation fs{DefaultFileSystem()};
    Station& s = fs.station;
};

} // namespace heliotab::testing_reservation
