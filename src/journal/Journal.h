// The station's journal: HELIOTAB.log in the program folder, one event a
// line ("2026-12-07 14:03:11.237 EVENT details", CR LF, cp1252), for support
// and audits.
//
// Add only puts the line in memory; Flush writes what is waiting, and the
// handlers call it once their event's actions are carried out, so the serial
// path never waits for the disk. A journal that cannot be written never stops
// the station: its lines wait in a bounded buffer (the oldest dropped and
// counted), and the first write that works again says since when the journal
// was not written and how many lines were lost.
//
// The file is rotated by size: HELIOTAB.log -> HELIOTAB.1.log ... .4.log,
// the oldest dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "shared/Platform.h"

namespace heliotab {

inline constexpr const char* kJournalFileName = "HELIOTAB.log";
inline constexpr int64_t kJournalMaxBytes = 1 << 20;
inline constexpr int kJournalFiles = 5;
inline constexpr size_t kJournalMaxBuffered = 64 * 1024;
// Serial events leave their lines for a write at most this much later, so a
// frame that follows its predecessor closely never waits behind the disk.
inline constexpr int kJournalDelayMs = 200;

// "2026-12-07 14:03:11.237"
std::string JournalTime(const LocalTime& t);
// Bytes in hex ("02 30 03"); beyond 32 bytes the first and last 12 and the
// length ("02 31 .. 39 38 (57 bytes)").
std::string JournalBytes(std::string_view bytes);
// "Ok", "NotFound", "Access", "Other".
const char* FileStatusName(FileStatus status);
// A control byte by its name ("ACK"), any other in hex.
std::string JournalControlByte(uint8_t byte);

class Journal {
public:
    Journal(FileSystem& files, Clock& clock) : files_(files), clock_(clock) {}

    // From now on Flush writes to folder\HELIOTAB.log; before, lines wait.
    void Open(const std::string& folder);
    bool IsOpen() const { return !path_.empty(); }
    const std::string& Folder() const { return folder_; }

    void Add(const std::string& event, const std::string& details = "");
    // Adds the line unless it repeats the last one of its topic: a search
    // opens the port and sends ENQ every second, and says so once.
    void AddOnChange(const std::string& topic, const std::string& event,
                     const std::string& details);
    void ForgetTopic(const std::string& topic) { lastOfTopic_.erase(topic); }
    void Flush();
    // True once per Flush: the caller then starts the delayed write.
    bool TakeDelayedFlush();

private:
    void Rotate();

    FileSystem& files_;
    Clock& clock_;
    std::string folder_, path_;
    std::deque<std::string> lines_; // waiting to be written
    size_t bufferedBytes_ = 0;
    int64_t fileBytes_ = -1; // the file's size once known
    int64_t lost_ = 0;       // lines dropped while the journal could not be written
    std::string failingSince_;
    std::map<std::string, std::string> lastOfTopic_;
    bool flushDelayed_ = false;
};

} // namespace heliotab
