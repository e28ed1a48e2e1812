// Frame and byte rates of a connection, and the summary of timed taps.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace brevanta::viewer {

using Clock = std::chrono::steady_clock;

class Throughput {
public:
    explicit Throughput(Clock::time_point start) : m_start(start), m_secondStart(start) {}

    void AddFrame(std::size_t bytes);
    std::uint64_t Frames() const { return m_frames; }
    std::uint64_t Bytes() const { return m_bytes; }

    // When a second has passed since the last rate line: "rate frames=N bytes=M" for the frames of
    // that second; empty otherwise.
    std::string TakeRateLine(Clock::time_point now);
    Clock::time_point NextRateLine() const { return m_secondStart + std::chrono::seconds(1); }

    // "stats frames=N bytes=M seconds=S fps=F bps=B" since the start.
    std::string Summary(Clock::time_point now) const;
    // Frames and bytes per second since the start, for the window title.
    double FramesPerSecond(Clock::time_point now) const;
    double BytesPerSecond(Clock::time_point now) const;

private:
    Clock::time_point m_start;
    Clock::time_point m_secondStart;
    std::uint64_t m_frames = 0;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_secondFrames = 0;
    std::uint64_t m_secondBytes = 0;
};

// "latency count=N missed=M median_ms=F min_ms=F max_ms=F"; the median of an even count is the
// mean of the two middle samples, and the figures are 0 without samples.
std::string LatencyLine(std::vector<double> samplesMs, int missed);

}  // namespace brevanta::viewer
