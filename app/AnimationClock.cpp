#include "app/AnimationClock.h"

#include <algorithm>
#include <cmath>

void AnimationClock::Start(double setLength, double seconds) {
    length = std::isfinite(setLength) ? std::max(setLength, 0.0) : 0.0;
    time = 0;
    MoveTo(seconds);
}

void AnimationClock::Advance(double seconds) {
    if (paused || !(seconds > 0))
        return;
    MoveTo(time + seconds * speed);
    if (!looping && time >= length)
        paused = true;
}

void AnimationClock::Step(double seconds) {
    paused = true;
    MoveTo(time + seconds);
}

void AnimationClock::PlayOrPause() {
    if (paused && !looping && time >= length)
        time = 0;
    paused = !paused;
}

void AnimationClock::SetSpeed(double factor) {
    if (std::isfinite(factor))
        speed = std::clamp(factor, kSlowest, kFastest);
}

void AnimationClock::MoveTo(double seconds) {
    if (!(length > 0) || !std::isfinite(seconds)) {
        time = 0;
        return;
    }
    // The end itself is a time of the set: only times past it wrap round.
    if (!looping || (seconds >= 0 && seconds <= length)) {
        time = std::clamp(seconds, 0.0, length);
        return;
    }
    time = std::fmod(seconds, length);
    if (time < 0)
        time += length;
}
