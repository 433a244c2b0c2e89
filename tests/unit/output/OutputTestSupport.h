// Helpers of the output tests: a scratch folder with the platform's own
// separator (the same tests run natively and under Wine), a FileSystem that
// fails on demand, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <stdlib.h>
#endif

#include "shared/FileSystems.h"
#include "shared/Platform.h"

namespace heliotab::testing_output {

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
#ifdef _WIN32
        const auto base = fs::temp_directory_path();
        const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int i = 0;; ++i) {
            fs::path p = base / ("heliotab-out-" + std::to_string(seed) + "-" + std::to_string(i));
            if (fs::create_directory(p)) {
                path_ = p.string();
                break;
            }
        }
#else
        std::string tmpl = (fs::temp_directory_path() / "heliotab-out-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = tmpl;
#endif
        while (!path_.empty() && (path_.back() == '\\' || path_.back() == '/')) path_.pop_back();
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
    // A sub-folder, created; returned without a trailing separator.
    std::string MakeDir(const std::string& name) const {
        const std::string p = path_ + kSep + name;
        std::filesystem::create_directories(p);
        return p;
    }

private:
    std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline void SetReadOnly(const std::string& path, bool readOnly) {
    namespace fs = std::filesystem;
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, readOnly ? write : fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

// Sorted names of the entries of a folder.
inline std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

enum class FsOp { WriteNew, Delete, CopyAndFlush, Replace };

// Passes every call to the real file system unless told to fail one kind of
// operation (optionally only for paths ending in a given text).
class FaultyFileSystem : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

    void FailAlways(FsOp op, FileStatus status, const std::string& pathSuffix = "") {
        faults_[op] = {status, pathSuffix};
    }
    void Heal() { faults_.clear(); }
    std::vector<std::string> calls;  // "Op path" in call order

    std::vector<std::string> ListFiles(const std::string& d, const std::string& p) override {
        return real_.ListFiles(d, p);
    }
    bool FileExists(const std::string& path) override { return real_.FileExists(path); }
    FileStatus ReadAll(const std::string& path, std::string& c) override { return real_.ReadAll(path, c); }
    FileStatus Delete(const std::string& path) override {
        calls.push_back("Delete " + path);
        return Faulted(FsOp::Delete, path, [&] { return real_.Delete(path); });
    }
    FileStatus WriteNew(const std::string& path, const std::string& bytes) override {
        calls.push_back("WriteNew " + path);
        return Faulted(FsOp::WriteNew, path, [&] { return real_.WriteNew(path, bytes); });
    }
    FileStatus CopyAndFlush(const std::string& src, const std::string& dst) override {
        calls.push_back("CopyAndFlush " + dst);
        return Faulted(FsOp::CopyAndFlush, dst, [&] { return real_.CopyAndFlush(src, dst); });
    }
    FileStatus Replace(const std::string& src, const std::string& dst) override {
        calls.push_back("Replace " + dst);
        return Faulted(FsOp::Replace, dst, [&] { return real_.Replace(src, dst); });
    }

private:
    struct Fault {
        FileStatus status;
        std::string suffix;
    };
    template <class F>
    FileStatus Faulted(FsOp op, const std::string& path, F real) {
        auto it = faults_.find(op);
        if (it != faults_.end()) {
            const std::string& sfx = it->second.suffix;
            if (sfx.empty() || (path.size() >= sfx.size() && path.compare(path.size() - sfx.size(), sfx.size(), sfx) == 0))
                return it->second.status;
        }
        return real();
    }
    FileSystem& real_;
    std::map<FsOp, Fault> faults_;
};

}  // namespace heliotab::testing_output
