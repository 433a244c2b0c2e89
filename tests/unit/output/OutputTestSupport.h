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

#include "fakes/TempDir.h"
#include "shared/FileSystems.h"
#include "shared/Platform.h"

namespace heliotab::testing_output {

using testutil::kSep;
using testutil::TempDir;

inline std::string ReadBytes(const std::string& path) { return testutil::ReadFile(path); }
inline void WriteBytes(const std::string& path, const std::string& bytes) { testutil::WriteFile(path, bytes); }
using testutil::Exists;

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
