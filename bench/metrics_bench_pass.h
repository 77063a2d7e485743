// What both metrics file benchmarks (bench/ on the host, bench/win/ under Wine) write: a pass
// over 300 network and serial screens with a measurement of the PC's clock, and a settings file
// of 300 screens that names the metrics file, as the sink reads its key from.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/store/screen_file_layout.h"
#include "core/sync/pass_record.h"

namespace tk_bench {

inline constexpr int kMetricsScreens = 300;

// The journal's side of the sink: a note means the benchmark's write failed, which ends it.
class NoNotes : public tk::IJournalNotes {
public:
    void AddNote(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::abort();
    }
};

// The log was written.
class LogWritten : public tk::ILogHealth {
public:
    bool LogWritable() const override { return true; }
};

// Every tenth screen fails the probe, every seventh the library; every third is serial.
inline tk::PassRecord ThreeHundredScreenPass(std::int64_t now) {
    tk::PassRecord record;
    record.started = now - 2;
    for (int i = 1; i <= kMetricsScreens; ++i) {
        tk::ScreenOutcome screen;
        screen.time = now - 1;
        screen.number = i;
        screen.network = i % 3 != 0;
        screen.address =
            screen.network ? "127.0." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250)
                           : std::string();
        screen.failure = i % 10 == 0  ? tk::ScreenFailure::kNoAnswer
                         : i % 7 == 0 ? tk::ScreenFailure::kNoReply
                                      : tk::ScreenFailure::kNone;
        record.failures += screen.failure != tk::ScreenFailure::kNone;
        record.screens.push_back(screen);
    }
    record.count = kMetricsScreens;
    tk::ClockReading clock;
    clock.server = "ntp.example";
    clock.status = tk::ClockCheckStatus::kMeasured;
    clock.measurement = tk::ClockSample{};
    clock.measurement->offsetMicros = -1234;
    record.clock = clock;
    record.ended = now;
    record.program = {true, 600, kMetricsScreens};
    return record;
}

// A settings file of 300 network screens whose [CONT] names metricsPath, as bytes.
inline std::string SettingsWithMetricsFile(const std::string& metricsPath) {
    std::string text =
        "[CONT]\r\nScreenCount=300\r\nbStart=1\r\nnSel=1\r\nTimer=10\r\n"
        "sMetricsFile=" +
        metricsPath + "\r\n";
    for (int i = 0; i < kMetricsScreens; ++i) {
        text += "[" + tk::ScreenSectionName(i) +
                "]\r\nCardType=21\r\nCardAddress=0\r\n"
                "CommunicationMode=1\r\nNetPort=5005\r\nIpAddress0=127\r\nIpAddress1=0\r\n"
                "IpAddress2=0\r\nIpAddress3=" +
                std::to_string(1 + i % 250) + "\r\n";
    }
    return text;
}

}  // namespace tk_bench
