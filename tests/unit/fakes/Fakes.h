// Fakes of the platform interfaces, with virtual time: a test advances the
// clock and the due timers fire in order, so the 0.5 s and 1 s behaviours of
// the core are exact and instant.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "device/TesterLink.h"
#include "journal/Journal.h"
#include "output/ReportLayout.h"
#include "settings/Language.h"
#include "shared/Platform.h"
#include "shared/Station.h"

namespace heliotab::fakes {

// Starts on 2026-12-05 10:30:00 unless told otherwise.
struct FakeClock : Clock {
    FakeClock() { Set(2026, 12, 5, 10, 30, 0); }
    void Set(int y, int mo, int d, int h = 10, int mi = 30, int s = 0) {
        const auto day = std::chrono::sys_days{std::chrono::year{y} / mo / d}.time_since_epoch();
        ms_ = (std::chrono::duration_cast<std::chrono::seconds>(day).count() + h * 3600 + mi * 60 +
               s) *
              1000;
    }
    LocalTime Now() override {
        using namespace std::chrono;
        const auto days = floor<std::chrono::days>(milliseconds{ms_});
        const year_month_day ymd{sys_days{days}};
        const int64_t sod = (ms_ - duration_cast<milliseconds>(days).count()) / 1000;
        return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
                int(sod / 3600), int(sod / 60 % 60),         int(sod % 60),
                int(ms_ % 1000)};
    }
    int64_t Ms() const { return ms_; }
    void SetMs(int64_t ms) { ms_ = ms; }
    int64_t ms_ = 0;
};

// Timers on the virtual clock; onTimer is wired to the core's TimerProc. A
// platform timer repeats until stopped, and so does this one.
struct FakeTimers : Timers {
    explicit FakeTimers(FakeClock& clock) : clock_(clock) {}
    void StartTimer(int id, int intervalMs) override {
        running_[id] = {clock_.Ms() + intervalMs, intervalMs};
        started.push_back({id, intervalMs});
    }
    void StopTimer(int id) override { running_.erase(id); }
    bool IsRunning(int id) const { return running_.count(id) != 0; }
    // Moves virtual time forward by ms, firing due timers in time order.
    void Advance(int64_t ms) {
        const int64_t end = clock_.Ms() + ms;
        for (;;) {
            auto next = std::min_element(running_.begin(), running_.end(), [](auto& a, auto& b) {
                return a.second.due < b.second.due;
            });
            if (next == running_.end() || next->second.due > end)
                break;
            clock_.SetMs(next->second.due);
            next->second.due += std::max<int64_t>(1, next->second.interval);
            if (onTimer)
                onTimer(next->first);
        }
        clock_.SetMs(end);
    }
    struct Start {
        int id;
        int intervalMs;
    };
    struct Running {
        int64_t due, interval;
    };
    std::function<void(int)> onTimer;
    std::vector<Start> started;
    FakeClock& clock_;
    std::map<int, Running> running_;
};

struct ShownMessage {
    std::string text, title;
    int style;
    int64_t atMs;
};

// Records every message; answers from a queue (default: Yes for questions, OK otherwise).
struct FakeMessages : Messages {
    explicit FakeMessages(FakeClock& clock) : clock_(clock) {}
    int ShowMessage(const std::string& text, const std::string& title, int style) override {
        shown.push_back({text, title, style, clock_.Ms()});
        if (whileOpen)
            std::exchange(whileOpen, nullptr)();
        if (answers.empty())
            return style == kStyleQuestion ? kAnswerYes : kAnswerOk;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<ShownMessage> shown;
    std::deque<int> answers;
    std::function<void()> whileOpen; // runs "inside" the modal box
    FakeClock& clock_;
};

struct FakePump : Pump {
    explicit FakePump(FakeTimers& timers) : timers_(timers) {}
    void DoEvents() override {
        ++doEvents;
        if (onDoEvents)
            onDoEvents();
    }
    bool WaitUntil(const std::function<bool()>& done, int maxMs) override {
        for (int t = 0; t < maxMs && !done(); t += 10)
            timers_.Advance(10);
        return done();
    }
    int doEvents = 0;
    std::function<void()> onDoEvents;
    FakeTimers& timers_;
};

struct SentByte {
    uint8_t byte;
    int64_t atMs;
};

struct FakeSerialPort : SerialPort {
    explicit FakeSerialPort(FakeClock& clock) : clock_(clock) {}
    bool Open(int portNumber) override {
        if (openFails)
            return false;
        opened.push_back(portNumber);
        open_ = true;
        return true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Send(uint8_t b) override {
        if (open_)
            sent.push_back({b, clock_.Ms()});
        return open_;
    }
    int OutBufferCount() override { return outBufferCount; }
    std::string SentBytes() const {
        std::string s;
        for (auto& b : sent)
            s.push_back(static_cast<char>(b.byte));
        return s;
    }
    bool openFails = false, open_ = false; // Open() fails while openFails is set
    int outBufferCount = 0;                // what OutBufferCount reports
    std::vector<SentByte> sent;
    std::vector<int> opened; // port numbers of successful opens
    FakeClock& clock_;
};

// The main window's controls as plain values.
struct FakeMainView : MainView {
    void SetPanelText(Panel p, const std::string& t) override { panels[p] = t; }
    void EnableButton(Button b, bool e) override { enabled[b] = e; }
    void ShowButton(Button b, bool v) override { visible[b] = v; }
    void EnableTrayOptions(bool e) override { trayOptionsEnabled = e; }
    void EnableCombo(bool e) override { comboEnabled = e; }
    void FocusCombo() override { ++comboFocus; }
    void ClearCombo() override {
        comboItems.clear();
        comboIndex = -1;
        comboText.clear();
    }
    void AddComboItem(const std::string& t) override { comboItems.push_back(t); }
    void SelectComboIndex(int i) override {
        comboIndex = i;
        comboText = i >= 0 && i < int(comboItems.size()) ? comboItems[i] : "";
    }
    int ComboIndex() override { return comboIndex; }
    void SetComboText(const std::string& t) override { comboText = t; }
    void SetVehicleLabel(int i, const std::string& t) override { vehicle.at(i) = t; }
    void SetOperatorLabel(const std::string& t) override { operatorName = t; }
    std::string OperatorLabel() override { return operatorName; }
    void SetDeviceLabel(int i, const std::string& t) override { device.at(i) = t; }
    std::string DeviceLabel(int i) override { return device.at(i); }
    void ShowValidateWindow(const std::string&, const std::string&) override {
        validateWindowShown = true;
        ++validateWindowShows;
    }
    void HideValidateWindow() override { validateWindowShown = false; }
    void Unload() override { unloaded = true; }

    std::map<Panel, std::string> panels;
    std::map<Button, bool> enabled{{Button::Test, 1},
                                   {Button::Ferma, 1},
                                   {Button::Opzioni, 1},
                                   {Button::Info, 1},
                                   {Button::Esci, 1}};
    std::map<Button, bool> visible = enabled;
    bool trayOptionsEnabled = true, comboEnabled = true, validateWindowShown = false,
         unloaded = false;
    int comboFocus = 0, comboIndex = -1, validateWindowShows = 0;
    std::vector<std::string> comboItems;
    std::string comboText, operatorName;
    std::array<std::string, 3> vehicle;
    std::array<std::string, 6> device;
};

// The printers: answers the dialog as told and keeps every printed job.
struct FakeReportPrinter : ReportPrinter {
    bool PrinterInstalled() override { return installed; }
    PrintChoice ShowPrinter() override {
        ++dialogs;
        if (whileOpen)
            std::exchange(whileOpen, nullptr)();
        return choice;
    }
    std::string DateTimeText() override { return "05/12/2026 10:30:00"; }
    bool Print(const std::string& title, const ReportLayout& layout) override {
        if (!printFails)
            printed.push_back({title, layout});
        return !printFails;
    }
    struct Job {
        std::string title;
        ReportLayout layout;
    };
    bool installed = true, printFails = false;
    PrintChoice choice = PrintChoice::Confirmed;
    int dialogs = 0;
    std::function<void()> whileOpen; // runs "inside" the modal dialog
    std::vector<Job> printed;
};

// A whole station of fakes; FileSystem is passed in (usually the real
// portable one over a temporary folder).
struct FakeStation {
    explicit FakeStation(FileSystem& files)
        : timers(clock), messages(clock), pump(timers), port(clock),
          journal(files, clock), station{state, view,  messages, clock, timers, pump,
                                         port,  files, printer,  link,  journal} {}
    AppState state;
    FakeClock clock;
    FakeTimers timers;
    FakeMessages messages;
    FakePump pump;
    FakeSerialPort port;
    FakeMainView view;
    FakeReportPrinter printer;
    TesterLink link{state};
    Journal journal;
    Station station;
};

} // namespace heliotab::fakes
