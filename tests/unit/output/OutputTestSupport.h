// Helpers of the output tests: a scratch folder with the platform's own
// separator (the same tests run natively and under Wine), a FileSystem that
// fails on demand, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/TempDir.h"
#include "shared/FileSystems.h"
#include "shared/Platform.h"

namespace heliotab::testing_output {

using testutil::Exists, testutil::kSep, testutil::TempDir, testutil::ReadFile, testutil::WriteFile;

inline void SetReadOnly(const std::string& path, bool readOnly) {
    using std::filesystem::perms, std::filesystem::perm_options;
    std::filesystem::permissions(path,
                                 perms::owner_write | perms::group_write | perms::others_write,
                                 readOnly ? perm_options::remove : perm_options::add);
}

// Sorted names of the entries of a folder.
inline std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Passes every call to the real file system, recording the writing ones,
// unless told to fail the one named `failOp` on paths ending in `failSuffix`.
class FaultyFileSystem : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}
    std::string failOp, failSuffix;
    FileStatus failStatus = FileStatus::Ok;
    std::vector<std::string> calls; // "Op path" in call order

    std::vector<std::string> ListFiles(const std::string& d, const std::string& p) override {
        return real_.ListFiles(d, p);
    }
    bool FileExists(const std::string& path) override { return real_.FileExists(path); }
    FileStatus ReadAll(const std::string& path, std::string& c) override {
        return real_.ReadAll(path, c);
    }
    FileStatus Delete(const std::string& p) override {
        return Call("Delete", p, [&] { return real_.Delete(p); });
    }
    FileStatus WriteNew(const std::string& p, const std::string& b) override {
        return Call("WriteNew", p, [&] { return real_.WriteNew(p, b); });
    }
    FileStatus CopyAndFlush(const std::string& s, const std::string& d) override {
        return Call("CopyAndFlush", d, [&] { return real_.CopyAndFlush(s, d); });
    }
    FileStatus Replace(const std::string& s, const std::string& d) override {
        return Call("Replace", d, [&] { return real_.Replace(s, d); });
    }

private:
    template <class F> FileStatus Call(const std::string& op, const std::string& path, F real) {
        calls.push_back(op + " " + path);
        return op == failOp && path.ends_with(failSuffix) ? failStatus : real();
    }
    FileSystem& real_;
};

} // namespace heliotab::testing_output
