#include "stats.h"

#include <algorithm>
#include <cstdio>

namespace brevanta::viewer {
namespace {

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

void Throughput::AddFrame(std::size_t bytes) {
    ++m_frames;
    ++m_secondFrames;
    m_bytes += bytes;
    m_secondBytes += bytes;
}

std::string Throughput::TakeRateLine(Clock::time_point now) {
    if (now < NextRateLine()) {
        return {};
    }
    std::string line =
        "rate frames=" + std::to_string(m_secondFrames) + " bytes=" + std::to_string(m_secondBytes);
    m_secondFrames = 0;
    m_secondBytes = 0;
    // Whole seconds from the start, so that late calls do not drift the grid.
    const auto behind = now - m_secondStart;
    m_secondStart += std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds(std::chrono::duration_cast<std::chrono::seconds>(behind).count()));
    return line;
}

double Throughput::FramesPerSecond(Clock::time_point now) const {
    const double seconds = Seconds(now - m_start);
    return seconds > 0 ? static_cast<double>(m_frames) / seconds : 0.0;
}

double Throughput::BytesPerSecond(Clock::time_point now) const {
    const double seconds = Seconds(now - m_start);
    return seconds > 0 ? static_cast<double>(m_bytes) / seconds : 0.0;
}

std::string Throughput::Summary(Clock::time_point now) const {
    char text[200];
    std::snprintf(text, sizeof text, "stats frames=%llu bytes=%llu seconds=%.3f fps=%.2f bps=%.0f",
                  static_cast<unsigned long long>(m_frames),
                  static_cast<unsigned long long>(m_bytes), Seconds(now - m_start),
                  FramesPerSecond(now), BytesPerSecond(now));
    return text;
}

std::string LatencyLine(std::vector<double> samplesMs, int missed) {
    double median = 0;
    double low = 0;
    double high = 0;
    if (!samplesMs.empty()) {
        std::sort(samplesMs.begin(), samplesMs.end());
        const std::size_t middle = samplesMs.size() / 2;
        median = samplesMs.size() % 2 == 1 ? samplesMs[middle]
                                           : (samplesMs[middle - 1] + samplesMs[middle]) / 2;
        low = samplesMs.front();
        high = samplesMs.back();
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "latency count=%zu missed=%d median_ms=%.3f min_ms=%.3f max_ms=%.3f",
                  samplesMs.size() + static_cast<std::size_t>(missed), missed, median, low, high);
    return text;
}

}  // namespace brevanta::viewer
