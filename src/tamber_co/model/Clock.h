// Time as the virtual emulator sees it: model milliseconds for behaviour, wall milliseconds for
// what must survive a restart of the program (a running cut).
#pragma once
#include <chrono>
#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of model time since the model was created (real time times the time scale).
    virtual int64_t ModelMs() = 0;
    // Milliseconds since 1970; model time and wall time differ by the time scale only.
    virtual int64_t WallMs() = 0;
    virtual double Scale() const = 0;
    // Where model time 0 lies on the machine's monotonic clock, so that every process sharing a
    // box computes the same time. A manual clock is shared by whoever holds it and ignores both.
    virtual int64_t OriginNs() const { return 0; }
    virtual void Share(int64_t originNs, double scale) {}
};

// Real time multiplied by a scale (a demo may run a whole cut twenty times faster).
class RealClock : public Clock {
public:
    explicit RealClock(double scale = 1.0);
    int64_t ModelMs() override;
    int64_t WallMs() override;
    double Scale() const override { return scale_; }
    int64_t OriginNs() const override;
    void Share(int64_t originNs, double scale) override;

private:
    double scale_;
    std::chrono::steady_clock::time_point start_;
};

// Tests move time by hand; wall time follows model time divided by the scale.
class ManualClock : public Clock {
public:
    explicit ManualClock(int64_t wallStartMs = 1'700'000'000'000, double scale = 1.0)
        : wall_(wallStartMs), scale_(scale) {}
    int64_t ModelMs() override { return model_; }
    int64_t WallMs() override { return wall_ + int64_t(double(model_) / scale_); }
    double Scale() const override { return scale_; }
    void Advance(int64_t ms) { model_ += ms; }

private:
    int64_t model_ = 0;
    int64_t wall_;
    double scale_;
};
