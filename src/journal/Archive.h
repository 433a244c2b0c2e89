// The archive of delivered results: a copy of every .FAR the station
// delivered, in Archivio\YYYY\MM\ under the program folder, under its own
// name, or NAME_2.FAR, NAME_3.FAR... when that name was delivered before in
// the same month: a copy is never overwritten.
//
// Retention works by month folder: a month goes at start-up once its last day
// is more than the retention's days ago, so a result is kept at least that
// long and at most a month longer, whatever the files' own dates say.
#pragma once

#include <string>

#include "shared/Platform.h"

namespace heliotab {

inline constexpr const char* kArchiveFolderName = "Archivio";
inline constexpr int kDefaultRetentionDays = 400;
inline constexpr int kMaxRetentionDays = 36500;

// The setting's text as a number of days: 1..kMaxRetentionDays, anything
// else the default.
int RetentionDays(const std::string& text);

// Copies the delivered result into this month's folder. Returns the copy's
// path, or empty with status set when the copy could not be made.
std::string ArchiveResult(FileSystem& files, const std::string& programDir,
                          const std::string& resultPath, const LocalTime& now, FileStatus& status);

// Deletes the month folders older than the retention; returns the number of
// files deleted.
int PruneArchive(FileSystem& files, const std::string& programDir, int days, const LocalTime& now);

// The newest archived copy of result `number` (NUMBER.FAR or NUMBER_k.FAR);
// empty when there is none.
std::string FindArchived(FileSystem& files, const std::string& programDir,
                         const std::string& number);

} // namespace heliotab
