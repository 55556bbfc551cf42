// Counting a stream: frames, level (peak and RMS in dBFS) and the lines that report them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace orvaudio {

class LevelMeter {
  public:
    // Interleaved samples of the stream's format: 16-bit integers or floats.
    void Add(const void *samples, size_t count, bool is_float);
    void Merge(const LevelMeter &other);
    double PeakDbfs() const;
    double RmsDbfs() const;
    bool Empty() const { return count_ == 0; }

  private:
    double peak_ = 0;
    bool has_nan_ = false;  // a float sample was NaN: the level is unknown
    double sum_squares_ = 0;
    uint64_t count_ = 0;
};

// "-6.0", "-inf" (silence), "+inf" (an infinite float sample) or "nan" (a NaN sample).
std::string DbfsText(double dbfs);

// "  1.25 s  pending 3  peak  -6.0 dBFS  RMS  -9.0 dBFS" (the live line, without its carriage
// return); `level` covers the audio since the last line.
std::string ProgressLine(int position_ms, int pending, const LevelMeter &level);

// "peak -6.0 dBFS, RMS -9.0 dBFS"
std::string LevelText(const LevelMeter &level);

// Shows the live line every quarter of a second on standard error, when asked to.
class Progress {
  public:
    explicit Progress(bool show) : show_(show) {}
    // Audio that just passed through the stream.
    void Add(const void *samples, size_t count, bool is_float);
    void Tick(int position_ms, int pending);
    void Finish(int position_ms, int pending);
    const LevelMeter &Total() const { return total_; }

  private:
    const bool show_;
    LevelMeter window_;
    LevelMeter total_;
    double last_ = -1;
};

}  // namespace orvaudio
