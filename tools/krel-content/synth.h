// Building blocks for synthesising the sound effects: a buffer of float
// samples at 22050 Hz, noise, oscillators, a state-variable filter, and the
// final conversion to 8-bit samples with fades and a peak limit.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/krel-content/rng.h"

namespace krel::content {

inline constexpr int kSampleRate = 22050;

using Buffer = std::vector<double>;

inline Buffer MakeBuffer(double seconds) { return Buffer(static_cast<std::size_t>(seconds * kSampleRate), 0.0); }
inline double TimeOf(std::size_t i) { return static_cast<double>(i) / kSampleRate; }

// A two-pole state-variable filter whose cutoff and damping may change from
// sample to sample (sweeps are what make most of these effects).
class SvFilter {
 public:
  struct Out {
    double low, band, high;
  };
  Out step(double in, double cutoff_hz, double q);

 private:
  double low_ = 0, band_ = 0;
};

// Adds to out[i] the value f(t) * gain for every sample from start seconds.
void AddAt(Buffer& out, double start, const Buffer& in, double gain);

// Oscillator with a time-varying frequency; the shape maps phase [0, 1) to
// a sample.
Buffer Tone(double seconds, const std::function<double(double t)>& freq,
            const std::function<double(double phase)>& shape, const std::function<double(double t)>& env);

double Sine(double phase);
double Saw(double phase);
double SoftSquare(double phase);

// White noise, filtered by a low pass with a cutoff that follows cutoff(t).
Buffer LowNoise(double seconds, std::uint64_t seed, const std::function<double(double t)>& cutoff,
                const std::function<double(double t)>& env, double q = 0.7);
// Band-passed noise around centre(t).
Buffer BandNoise(double seconds, std::uint64_t seed, const std::function<double(double t)>& centre,
                 const std::function<double(double t)>& env, double q);

// An exponential decay with time constant tau after an attack of `attack`
// seconds.
double Decay(double t, double attack, double tau);

// Scales the buffer so that its peak is `peak` (0..1 of full scale), fades
// the first and last milliseconds in and out, and converts to unsigned 8-bit
// samples around 128.
std::vector<std::uint8_t> Finish(Buffer b, double peak, double fade_in_ms = 3.0, double fade_out_ms = 20.0);

}  // namespace krel::content
