// Scratch folders and whole-file helpers shared by the tests. The same tests
// run natively and under Wine, so paths use the platform's own separator.
#pragma once

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace heliotab::testutil {

inline constexpr char kSep = static_cast<char>(std::filesystem::path::preferred_separator);

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir() {
        static std::mt19937_64 rng{std::random_device{}() ^ static_cast<uint64_t>(time(nullptr))};
        do
            path_ = (std::filesystem::temp_directory_path() / ("heliotab-" + std::to_string(rng())))
                        .string();
        while (!std::filesystem::create_directory(path_));
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Read-only files would stop the removal on Windows.
        for (auto& e : fs::recursive_directory_iterator(path_, ec))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + kSep + name; }
    // A sub-folder, created; returned without a trailing separator.
    std::string MakeDir(const std::string& name) const {
        std::filesystem::create_directories(File(name));
        return File(name);
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}
inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

} // namespace heliotab::testutil
