#include "journal/Journal.h"

#include <cstdio>

#include "shared/JoinPath.h"

namespace heliotab {

namespace {

std::string RotatedName(const std::string& folder, int n) {
    return JoinPath(folder, n == 0 ? std::string(kJournalFileName)
                                   : "HELIOTAB." + std::to_string(n) + ".log");
}

} // namespace

std::string JournalTime(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::string JournalBytes(std::string_view bytes) {
    constexpr size_t kWhole = 32, kEnd = 12;
    const auto hex = [](std::string_view part) {
        std::string text;
        char two[4];
        for (char c : part) {
            std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
            text += (text.empty() ? "" : " ") + std::string(two);
        }
        return text;
    };
    if (bytes.size() <= kWhole)
        return hex(bytes);
    return hex(bytes.substr(0, kEnd)) + " .. " + hex(bytes.substr(bytes.size() - kEnd)) + " (" +
           std::to_string(bytes.size()) + " bytes)";
}

const char* FileStatusName(FileStatus status) {
    switch (status) {
    case FileStatus::Ok:
        return "Ok";
    case FileStatus::NotFound:
        return "NotFound";
    case FileStatus::Access:
        return "Access";
    case FileStatus::Other:
        break;
    }
    return "Other";
}

std::string JournalControlByte(uint8_t byte) {
    switch (byte) {
    case 0x04:
        return "EOT";
    case 0x05:
        return "ENQ";
    case 0x06:
        return "ACK";
    case 0x15:
        return "NAK";
    case 0x18:
        return "CAN";
    default:
        return JournalBytes(std::string(1, static_cast<char>(byte)));
    }
}

void Journal::Open(const std::string& folder) {
    folder_ = folder;
    path_ = RotatedName(folder, 0);
    fileBytes_ = -1;
}

void Journal::Add(const std::string& event, const std::string& details) {
    std::string line = JournalTime(clock_.Now()) + " " + event;
    if (!details.empty())
        line += " " + details;
    // One event, one line, whatever the details hold.
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    line += "\r\n";
    bufferedBytes_ += line.size();
    lines_.push_back(std::move(line));
    while (bufferedBytes_ > kJournalMaxBuffered) {
        bufferedBytes_ -= lines_.front().size();
        lines_.pop_front();
        ++lost_;
    }
}

void Journal::AddOnChange(const std::string& topic, const std::string& event,
                          const std::string& details) {
    std::string& last = lastOfTopic_[topic];
    if (last == event + " " + details)
        return;
    last = event + " " + details;
    Add(event, details);
}

bool Journal::TakeDelayedFlush() {
    if (flushDelayed_ || lines_.empty())
        return false;
    flushDelayed_ = true;
    return true;
}

void Journal::Flush() {
    flushDelayed_ = false;
    if (path_.empty() || lines_.empty())
        return;
    if (fileBytes_ < 0) {
        std::string old;
        files_.ReadAll(path_, old);
        fileBytes_ = static_cast<int64_t>(old.size());
    }
    std::string text;
    if (!failingSince_.empty())
        text = JournalTime(clock_.Now()) + " JOURNAL not written since " + failingSince_ + ", " +
               std::to_string(lost_) + " lines lost\r\n";
    for (const std::string& line : lines_)
        text += line;
    if (fileBytes_ > 0 && fileBytes_ + static_cast<int64_t>(text.size()) > kJournalMaxBytes)
        Rotate();
    if (files_.Append(path_, text) != FileStatus::Ok) {
        if (failingSince_.empty())
            failingSince_ = JournalTime(clock_.Now());
        return;
    }
    fileBytes_ += static_cast<int64_t>(text.size());
    lines_.clear();
    bufferedBytes_ = 0;
    lost_ = 0;
    failingSince_.clear();
}

void Journal::Rotate() {
    files_.Delete(RotatedName(folder_, kJournalFiles - 1));
    for (int n = kJournalFiles - 1; n > 0; --n)
        files_.Replace(RotatedName(folder_, n - 1), RotatedName(folder_, n));
    fileBytes_ = 0;
}

} // namespace heliotab
