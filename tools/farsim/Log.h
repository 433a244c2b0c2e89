// The simulator's log: one line per byte or event, "t=MS.mmm " first, where
// MS counts from the start of the run on a monotonic clock.
//   t=12.345 rx 05 ENQ            a received byte (hex, then its name or 'c')
//   t=13.001 tx 46 'F'            a sent byte
//   t=13.100 tx-etx               the ETX of a frame has been written
//   t=13.001 tx-frame status=0 len=57 layout=short attempt=1 fault=none
// End-to-end tests and the latency figures are computed from these lines.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace heliotab::farsim {

// ETX -> ACK latency: the time from the ETX of a frame we sent to the ACK
// that answers it. Other answers (NAK, CAN) end the measurement unrecorded.
class LatencyStats {
public:
    void OnTx(unsigned char b, double t);
    void OnRx(unsigned char b, double t);
    const std::vector<double>& Samples() const { return samples_; }
    double Median() const;
    double P99() const;          // nearest rank
    std::string Summary() const; // "stats etx-ack count=N median=X p99=Y"

private:
    double Percentile(double p) const;
    bool pending_ = false;
    double etxAt_ = 0;
    std::vector<double> samples_;
};

// "rx 05 ENQ", "tx 46 'F'" (without the time).
std::string ByteLine(const char* dir, unsigned char b);
std::string TimePrefix(double t);

class LogWriter {
public:
    LogWriter() = default;
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    bool OpenFile(const std::string& path); // false when it cannot be created
    void AlsoToStderr(bool on) { stderr_ = on; }

    void Rx(unsigned char b, double t);
    void Tx(unsigned char b, double t);
    void Line(const std::string& text, double t);
    void Flush();
    LatencyStats& Stats() { return stats_; }

private:
    std::FILE* file_ = nullptr;
    bool stderr_ = false;
    LatencyStats stats_;
};

} // namespace heliotab::farsim
