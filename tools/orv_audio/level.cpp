#include "level.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace orvaudio {

void LevelMeter::Add(const void *samples, size_t count, bool is_float) {
    const auto *bytes = static_cast<const unsigned char *>(samples);
    for (size_t i = 0; i < count; ++i) {
        double v;
        if (is_float) {
            float f;
            std::memcpy(&f, bytes + 4 * i, 4);
            v = f;
        } else {
            int16_t s;
            std::memcpy(&s, bytes + 2 * i, 2);
            v = s / 32768.0;
        }
        const double a = std::fabs(v);
        if (a > peak_)
            peak_ = a;
        else if (std::isnan(a))
            has_nan_ = true;
        sum_squares_ += v * v;
    }
    count_ += count;
}

void LevelMeter::Merge(const LevelMeter &other) {
    if (other.peak_ > peak_)
        peak_ = other.peak_;
    has_nan_ = has_nan_ || other.has_nan_;
    sum_squares_ += other.sum_squares_;
    count_ += other.count_;
}

namespace {
double Dbfs(double amplitude) {
    // NaN stays NaN: unknown is not silence.
    return amplitude > 0 || std::isnan(amplitude) ? 20 * std::log10(amplitude) : -INFINITY;
}
}  // namespace

double LevelMeter::PeakDbfs() const {
    return has_nan_ ? NAN : Dbfs(peak_);
}

double LevelMeter::RmsDbfs() const {
    return count_ == 0 ? -INFINITY : Dbfs(std::sqrt(sum_squares_ / count_));
}

std::string DbfsText(double dbfs) {
    if (std::isnan(dbfs))
        return "nan";
    if (std::isinf(dbfs))
        return dbfs > 0 ? "+inf" : "-inf";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", dbfs);
    return text;
}

std::string ProgressLine(int position_ms, int pending, const LevelMeter &level) {
    char line[96];
    std::snprintf(line, sizeof line, "%7.2f s  pending %d  peak %5s dBFS  RMS %5s dBFS",
                  position_ms / 1000.0, pending, DbfsText(level.PeakDbfs()).c_str(),
                  DbfsText(level.RmsDbfs()).c_str());
    return line;
}

std::string LevelText(const LevelMeter &level) {
    return "peak " + DbfsText(level.PeakDbfs()) + " dBFS, RMS " + DbfsText(level.RmsDbfs()) +
           " dBFS";
}

void Progress::Add(const void *samples, size_t count, bool is_float) {
    LevelMeter m;
    m.Add(samples, count, is_float);
    window_.Merge(m);
    total_.Merge(m);
}

namespace {
double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

void Progress::Tick(int position_ms, int pending) {
    const double now = Now();
    if (!show_ || now - last_ < 0.25)
        return;
    last_ = now;
    std::fprintf(stderr, "\r%s ", ProgressLine(position_ms, pending, window_).c_str());
    window_ = LevelMeter();
}

void Progress::Finish(int position_ms, int pending) {
    if (show_)
        std::fprintf(stderr, "\r%s \n", ProgressLine(position_ms, pending, total_).c_str());
}

}  // namespace orvaudio
