#include "journal/Archive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "settings/WholeNumber.h"
#include "shared/AsciiText.h"
#include "shared/JoinPath.h"

namespace heliotab {

namespace {

std::string TwoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder names that are whole numbers in [low, high], highest first.
std::vector<int> NumberedFolders(FileSystem& files, const std::string& dir, int low, int high) {
    std::vector<int> numbers;
    for (const std::string& name : files.ListFolders(dir)) {
        long n = 0;
        if (AllDigits(name) && ReadWholeNumber(name, n) && n >= low && n <= high)
            numbers.push_back(static_cast<int>(n));
    }
    std::sort(numbers.rbegin(), numbers.rend());
    return numbers;
}

// The copy number of name as an archived copy of number: 1 for NUMBER.FAR,
// k for NUMBER_k.FAR, 0 when it is not one.
int CopyNumber(const std::string& name, const std::string& number) {
    const std::string upper = UpperAscii(name);
    if (!upper.starts_with(UpperAscii(number)) || !upper.ends_with(".FAR"))
        return 0;
    const std::string middle = upper.substr(number.size(), upper.size() - number.size() - 4);
    if (middle.empty())
        return 1;
    long k = 0;
    if (middle[0] != '_' || !AllDigits(middle.substr(1)) || !ReadWholeNumber(middle.substr(1), k))
        return 0;
    return k >= 2 ? static_cast<int>(k) : 0;
}

} // namespace

int RetentionDays(const std::string& text) {
    long days = 0;
    if (!ReadWholeNumber(TrimSpaces(text), days) || days < 1 || days > kMaxRetentionDays)
        return kDefaultRetentionDays;
    return static_cast<int>(days);
}

std::string ArchiveResult(FileSystem& files, const std::string& programDir,
                          const std::string& resultPath, const LocalTime& now, FileStatus& status) {
    std::string dir = programDir;
    for (const std::string& part :
         {std::string(kArchiveFolderName), std::to_string(now.year), TwoDigits(now.month)}) {
        dir = JoinPath(dir, part);
        if ((status = files.CreateFolder(dir)) != FileStatus::Ok)
            return "";
    }
    const std::string name = BaseName(resultPath);
    const size_t dot = name.find_last_of('.');
    const std::string stem = name.substr(0, dot), extension = name.substr(dot);
    for (int k = 1;; ++k) {
        const std::string copy =
            JoinPath(dir, k == 1 ? name : stem + "_" + std::to_string(k) + extension);
        if (files.FileExists(copy))
            continue;
        status = files.CopyAndFlush(resultPath, copy);
        return status == FileStatus::Ok ? copy : "";
    }
}

int PruneArchive(FileSystem& files, const std::string& programDir, int days, const LocalTime& now) {
    using namespace std::chrono;
    const sys_days today{year{now.year} / now.month / now.day};
    const sys_days limit = today - std::chrono::days{days};
    const std::string archive = JoinPath(programDir, kArchiveFolderName);
    int deleted = 0;
    for (int y : NumberedFolders(files, archive, 1, 9999)) {
        const std::string yearDir = JoinPath(archive, std::to_string(y));
        for (int m : NumberedFolders(files, yearDir, 1, 12)) {
            // The month is kept while its last day is within the retention.
            const year_month next = year_month{year{y}, month(unsigned(m))} + months{1};
            const sys_days nextMonth{next / 1};
            if (nextMonth > limit)
                continue;
            const std::string monthDir = JoinPath(yearDir, TwoDigits(m));
            for (const std::string& name : files.ListFiles(monthDir, "*"))
                deleted += files.Delete(JoinPath(monthDir, name)) == FileStatus::Ok;
            files.RemoveFolder(monthDir);
        }
        files.RemoveFolder(yearDir); // only when it is empty now
    }
    return deleted;
}

std::string FindArchived(FileSystem& files, const std::string& programDir,
                         const std::string& number) {
    const std::string archive = JoinPath(programDir, kArchiveFolderName);
    for (int y : NumberedFolders(files, archive, 1, 9999)) {
        const std::string yearDir = JoinPath(archive, std::to_string(y));
        for (int m : NumberedFolders(files, yearDir, 1, 12)) {
            const std::string monthDir = JoinPath(yearDir, TwoDigits(m));
            std::string newest;
            int newestCopy = 0;
            for (const std::string& name : files.ListFiles(monthDir, "*.FAR")) {
                const int k = CopyNumber(name, number);
                if (k <= newestCopy)
                    continue;
                newest = name;
                newestCopy = k;
            }
            if (newestCopy > 0)
                return JoinPath(monthDir, newest);
        }
    }
    return "";
}

} // namespace heliotab
