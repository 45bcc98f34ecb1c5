#include "model/Clock.h"

RealClock::RealClock(double scale) : scale_(scale > 0 ? scale : 1.0), start_(std::chrono::steady_clock::now()) {}

int64_t RealClock::ModelMs()
{
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    const double ms = std::chrono::duration<double, std::milli>(elapsed).count();
    return int64_t(ms * scale_);
}

int64_t RealClock::WallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t RealClock::OriginNs() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(start_.time_since_epoch()).count();
}

void RealClock::Share(int64_t originNs, double scale)
{
    start_ = std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::nanoseconds(originNs)));
    scale_ = scale > 0 ? scale : 1.0;
}
