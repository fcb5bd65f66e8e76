// When named sections of each frame begin and end, relative to the start of
// the frame, over the last four frames. Times are timeGetTime milliseconds;
// every difference is taken in 32-bit arithmetic, so the timer's wrap-around
// does not disturb them.
#pragma once

#include <cstdint>

class PerformanceMarker {
public:
    static constexpr int kSections = 16;
    static constexpr int kHistory = 4;

    struct Span {
        std::int32_t begin; // ms after the start of the frame it was taken in
        std::int32_t end;
    };

    // At the very start of every frame.
    void NewFrame();
    // Each Begin is followed by the matching End; a section outside 0..15 is
    // ignored.
    void Begin(int section);
    void End(int section);

    // Over the last four spans, or the three complete ones while the section
    // is open. Spans not yet measured count as empty ones at the frame start.
    float AverageDuration(int section) const;
    float AverageBegin(int section) const;
    // The mean length of the last three frames, in ms.
    float MeanFrameLength() const;

    std::uint32_t frameStarts[kHistory] = {}; // newest first
    Span spans[kSections][kHistory] = {};     // per section, newest first
    bool open[kSections] = {};

private:
    // The spans that averages use: the first and the count.
    const Span* Samples(int section, int& count) const;
};
