// The time of one slot's animation set as the user plays it: playing or
// paused, at a speed, round and round or once to the end.
#pragma once

class AnimationClock {
public:
    static constexpr double kSlowest = 1.0 / 64, kFastest = 64;
    // One step of the step keys.
    static constexpr double kStep = 1.0 / 30;

    // A set `length` seconds long (0 or less: one pose), from `seconds`
    // (brought into the set as Step does).
    void Start(double length, double seconds);
    // Real time gone by: moves the time by it times the speed while playing.
    // Playing once, the clock stops at the end.
    void Advance(double seconds);
    // Moves by `seconds` and pauses. Looping, a time past either end wraps
    // round the set; playing once, it stays between the start and the end.
    void Step(double seconds);
    // At the end of a play once, playing starts it again.
    void PlayOrPause();
    void GoToStart() { time = 0; }
    void Faster() { Scale(2); }
    void Slower() { Scale(0.5); }
    void SetSpeed(double factor);
    void SwitchLooping() { looping = !looping; }

    double Time() const { return time; }
    double Length() const { return length; }
    double Speed() const { return speed; }
    bool Paused() const { return paused; }
    bool Looping() const { return looping; }

private:
    void Scale(double factor) { SetSpeed(speed * factor); }
    void MoveTo(double seconds);

    double length = 0, time = 0, speed = 1;
    bool paused = false, looping = true;
};
