// Helpers of the output and dialog tests: a scratch folder with the
// platform's own separator (the same tests run natively and under Wine), a
// FileSystem that fails on demand, and message boxes as language ids.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "shared/FileSystems.h"

namespace heliotab::testing_output {

using testutil::kSep, testutil::TempDir, testutil::ReadFile, testutil::WriteFile;
using Names = std::vector<std::string>;

// Sorted names of the entries of a folder.
inline Names Entries(const std::string& dir) {
    Names names;
    for (auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline void SetReadOnly(const std::string& path, bool readOnly) {
    using std::filesystem::perms, std::filesystem::perm_options;
    std::filesystem::permissions(path,
                                 perms::owner_write | perms::group_write | perms::others_write,
                                 readOnly ? perm_options::remove : perm_options::add);
}

// A message box as the operator reads it: the language ids of its text and
// title, its style, and what follows the text (a quoted path).
struct Box {
    int text = 0, title = 0, style = 0;
    std::string tail;
    bool operator==(const Box&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Box& b) {
    return o << "{" << b.text << ", " << b.title << ", " << b.style << ", '" << b.tail << "'}";
}

// The boxes shown, their texts taken back to the ids `ids` of st's language
// and `folder` taken out of what follows them.
inline std::vector<Box> Boxes(AppState& st, const fakes::FakeMessages& m,
                              std::initializer_list<int> ids, const std::string& folder = "") {
    std::vector<Box> boxes;
    for (const fakes::ShownMessage& shown : m.shown) {
        Box b{0, 0, shown.style, shown.text};
        for (int id : ids) {
            const std::string text = GetLangString(st, id);
            if (b.text == 0 && shown.text.starts_with(text)) {
                b.text = id;
                b.tail = shown.text.substr(text.size());
            }
            if (shown.title == text)
                b.title = id;
        }
        if (const size_t at = b.tail.find(folder); !folder.empty() && at != std::string::npos)
            b.tail.erase(at, folder.size());
        boxes.push_back(b);
    }
    return boxes;
}

// Passes every call to the real file system and records the paths the
// writing ones are given, except that those on paths ending in failSuffix
// answer failStatus.
class FaultyFileSystem : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& real) : real_(real) {}
    std::string failSuffix = "none";
    FileStatus failStatus = FileStatus::Ok;
    std::vector<std::string> calls;

    std::vector<std::string> ListFiles(const std::string& d, const std::string& p) override {
        return real_.ListFiles(d, p);
    }
    bool FileExists(const std::string& path) override { return real_.FileExists(path); }
    FileStatus ReadAll(const std::string& path, std::string& c) override {
        return real_.ReadAll(path, c);
    }
    FileStatus Delete(const std::string& p) override {
        return Call(p, [&] { return real_.Delete(p); });
    }
    FileStatus WriteNew(const std::string& p, const std::string& b) override {
        return Call(p, [&] { return real_.WriteNew(p, b); });
    }
    FileStatus CopyAndFlush(const std::string& s, const std::string& d) override {
        return Call(d, [&] { return real_.CopyAndFlush(s, d); });
    }
    FileStatus Replace(const std::string& s, const std::string& d) override {
        return Call(d, [&] { return real_.Replace(s, d); });
    }

    FileStatus Append(const std::string& p, const std::string& b) override {
        return Call(p, [&] { return real_.Append(p, b); });
    }
    FileStatus CreateFolder(const std::string& p) override {
        return Call(p, [&] { return real_.CreateFolder(p); });
    }
    std::vector<std::string> ListFolders(const std::string& d) override {
        return real_.ListFolders(d);
    }
    FileStatus RemoveFolder(const std::string& p) override { return real_.RemoveFolder(p); }

private:
    template <class F> FileStatus Call(const std::string& path, F real) {
        calls.push_back(path);
        return path.ends_with(failSuffix) ? failStatus : real();
    }
    FileSystem& real_;
};

} // namespace heliotab::testing_output
