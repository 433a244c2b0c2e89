// A station of fakes over a real temporary folder: the program folder holds
// the masks, acc/ is the exchange directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_reservation {

inline std::string ReadBytes(const std::string& path) { return testutil::ReadFile(path); }
inline void WriteBytes(const std::string& path, const std::string& data) { testutil::WriteFile(path, data); }

// Turns "\n" into CR LF, so test files read as the booking software writes them.
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class ReservationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root = tmp.Path();
        std::filesystem::create_directory(root + "/acc");
        fs.state.programDir = root;
        fs.state.AccDirectory = root + "/acc/";
    }

    void InstallShippedMasks() {
        for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            WriteBytes(root + "/" + name, ReadBytes(std::string(HELIOTAB_SOURCE_DIR) + "/data/" + name));
    }
    void WriteMask(const std::string& name, const std::string& text) { WriteBytes(root + "/" + name, Crlf(text)); }
    // Writes a reservation into the exchange directory; returns its full path.
    std::string WriteAcc(const std::string& name, const std::string& bytes) {
        WriteBytes(fs.state.AccDirectory + name, bytes);
        return fs.state.AccDirectory + name;
    }
    std::string Lang(int id) { return GetLangString(fs.state, id); }

    testutil::TempDir tmp;
    std::string root;
    fakes::FakeStation fs{DefaultFileSystem()};
    Station& s = fs.station;
};

}  // namespace heliotab::testing_reservation
