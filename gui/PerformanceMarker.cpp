#include "gui/PerformanceMarker.h"

#include "platform/win32/win32.h"

namespace {

bool ValidSection(int section) {
    return section >= 0 && section < PerformanceMarker::kSections;
}

// A timestamp relative to an earlier one, as the signed 32-bit difference.
std::int32_t Since(std::uint32_t time, std::uint32_t origin) {
    return std::int32_t(time - origin);
}

} // namespace

void PerformanceMarker::NewFrame() {
    for (int i = kHistory - 1; i > 0; --i)
        frameStarts[i] = frameStarts[i - 1];
    frameStarts[0] = timeGetTime();
    std::uint32_t lastFrame = frameStarts[0] - frameStarts[1];
    // An open section's begin moves to the new frame's origin: it goes
    // negative, by the length of the frame that just ended.
    for (int s = 0; s < kSections; ++s)
        if (open[s])
            spans[s][0].begin = std::int32_t(std::uint32_t(spans[s][0].begin) - lastFrame);
}

void PerformanceMarker::Begin(int section) {
    if (!ValidSection(section))
        return;
    Span* history = spans[section];
    for (int i = kHistory - 1; i > 0; --i)
        history[i] = history[i - 1];
    // The newest end keeps its stale value until End.
    history[0].begin = Since(timeGetTime(), frameStarts[0]);
    open[section] = true;
}

void PerformanceMarker::End(int section) {
    if (!ValidSection(section))
        return;
    spans[section][0].end = Since(timeGetTime(), frameStarts[0]);
    open[section] = false;
}

const PerformanceMarker::Span* PerformanceMarker::Samples(int section, int& count) const {
    if (!ValidSection(section)) {
        count = 0;
        return nullptr;
    }
    // While open, the newest span has no end yet.
    int skip = open[section] ? 1 : 0;
    count = kHistory - skip;
    return spans[section] + skip;
}

float PerformanceMarker::AverageDuration(int section) const {
    int count = 0;
    const Span* samples = Samples(section, count);
    std::int64_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += std::int64_t(samples[i].end) - samples[i].begin;
    return count ? float(sum) / float(count) : 0.0f;
}

float PerformanceMarker::AverageBegin(int section) const {
    int count = 0;
    const Span* samples = Samples(section, count);
    std::int64_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += samples[i].begin;
    return count ? float(sum) / float(count) : 0.0f;
}

float PerformanceMarker::MeanFrameLength() const {
    return float(frameStarts[0] - frameStarts[kHistory - 1]) / 3.0f;
}
