#include "farsim/Log.h"

#include <algorithm>
#include <cmath>

#include "farsim/Frame.h"

namespace heliotab::farsim {

void LatencyStats::OnTx(unsigned char b, double t) {
    if (b == kETX) {
        pending_ = true;
        etxAt_ = t;
    }
}

void LatencyStats::OnRx(unsigned char b, double t) {
    if (!pending_)
        return;
    if (b == kACK) {
        samples_.push_back(t - etxAt_);
        pending_ = false;
    } else if (b == kNAK || b == kCAN || b == kEOT) {
        pending_ = false;
    }
}

double LatencyStats::Percentile(double p) const {
    if (samples_.empty())
        return 0;
    std::vector<double> v = samples_;
    std::sort(v.begin(), v.end());
    size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size())));
    rank = std::clamp<size_t>(rank, 1, v.size());
    return v[rank - 1];
}

double LatencyStats::Median() const {
    if (samples_.empty())
        return 0;
    std::vector<double> v = samples_;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double LatencyStats::P99() const {
    return Percentile(0.99);
}

std::string LatencyStats::Summary() const {
    char buf[128];
    std::snprintf(buf, sizeof buf, "stats etx-ack count=%zu median=%.3f p99=%.3f", samples_.size(),
                  Median(), P99());
    return buf;
}

std::string TimePrefix(double t) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "t=%.3f ", t);
    return buf;
}

std::string ByteLine(const char* dir, unsigned char b) {
    char buf[32];
    const std::string name = ControlName(b);
    if (!name.empty())
        std::snprintf(buf, sizeof buf, "%s %02X %s", dir, b, name.c_str());
    else if (b >= 0x20 && b < 0x7F)
        std::snprintf(buf, sizeof buf, "%s %02X '%c'", dir, b, b);
    else
        std::snprintf(buf, sizeof buf, "%s %02X", dir, b);
    return buf;
}

LogWriter::~LogWriter() {
    if (file_)
        std::fclose(file_);
}

bool LogWriter::OpenFile(const std::string& path) {
    if (file_)
        std::fclose(file_);
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void LogWriter::Line(const std::string& text, double t) {
    const std::string line = TimePrefix(t) + text + "\n";
    if (file_)
        std::fputs(line.c_str(), file_);
    if (stderr_)
        std::fputs(line.c_str(), stderr);
}

void LogWriter::Rx(unsigned char b, double t) {
    stats_.OnRx(b, t);
    Line(ByteLine("rx", b), t);
}

void LogWriter::Tx(unsigned char b, double t) {
    stats_.OnTx(b, t);
    Line(ByteLine("tx", b), t);
}

void LogWriter::Flush() {
    if (file_)
        std::fflush(file_);
}

} // namespace heliotab::farsim
