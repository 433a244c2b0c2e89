// Scratch folders and whole-file helpers shared by the tests. The same tests
// run natively and under Wine, so paths use the platform's own separator.
#pragma once

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace heliotab::testutil {

#ifdef _WIN32
inline constexpr char kSep = '\\';
#else
inline constexpr char kSep = '/';
#endif

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        static std::mt19937_64 rng{std::random_device{}() ^ static_cast<uint64_t>(time(nullptr))};
        fs::path p;
        do p = fs::temp_directory_path() / ("heliotab-" + std::to_string(rng())); while (!fs::create_directory(p));
        path_ = p.string();
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
        const std::string p = path_ + kSep + name;
        std::filesystem::create_directories(p);
        return p;
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace heliotab::testutil
