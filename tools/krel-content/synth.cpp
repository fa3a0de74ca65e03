#include "tools/krel-content/synth.h"

#include <algorithm>
#include <cmath>

namespace krel::content {
namespace {
constexpr double kTwoPi = 6.283185307179586;
}

SvFilter::Out SvFilter::step(double in, double cutoff_hz, double q) {
  // Chamberlin form; the cutoff is kept well below a sixth of the sample
  // rate, where this form stays stable.
  const double fc = std::clamp(cutoff_hz, 20.0, kSampleRate / 6.5);
  const double f = 2.0 * std::sin(3.141592653589793 * fc / kSampleRate);
  const double damp = 1.0 / std::max(q, 0.5);
  low_ += f * band_;
  const double high = in - low_ - damp * band_;
  band_ += f * high;
  return {low_, band_, high};
}

void AddAt(Buffer& out, double start, const Buffer& in, double gain) {
  const auto offset = static_cast<std::size_t>(start * kSampleRate);
  for (std::size_t i = 0; i < in.size() && offset + i < out.size(); ++i) out[offset + i] += in[i] * gain;
}

Buffer Tone(double seconds, const std::function<double(double t)>& freq,
            const std::function<double(double phase)>& shape, const std::function<double(double t)>& env) {
  Buffer b = MakeBuffer(seconds);
  double phase = 0.0;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const double t = TimeOf(i);
    b[i] = shape(phase) * env(t);
    phase += freq(t) / kSampleRate;
    phase -= std::floor(phase);
  }
  return b;
}

double Sine(double phase) { return std::sin(kTwoPi * phase); }
double Saw(double phase) { return 2.0 * phase - 1.0; }
double SoftSquare(double phase) { return std::tanh(3.0 * std::sin(kTwoPi * phase)) / std::tanh(3.0); }

namespace {

// White noise through the state-variable filter, taking one of its outputs.
Buffer FilteredNoise(double seconds, std::uint64_t seed, const std::function<double(double t)>& freq,
                     const std::function<double(double t)>& env, double q, double SvFilter::Out::*output) {
  Buffer b = MakeBuffer(seconds);
  Rng rng(seed);
  SvFilter f;
  for (std::size_t i = 0; i < b.size(); ++i) {
    const double t = TimeOf(i);
    b[i] = f.step(rng.signed_unit(), freq(t), q).*output * env(t);
  }
  return b;
}

}  // namespace

Buffer LowNoise(double seconds, std::uint64_t seed, const std::function<double(double t)>& cutoff,
                const std::function<double(double t)>& env, double q) {
  return FilteredNoise(seconds, seed, cutoff, env, q, &SvFilter::Out::low);
}

Buffer BandNoise(double seconds, std::uint64_t seed, const std::function<double(double t)>& centre,
                 const std::function<double(double t)>& env, double q) {
  return FilteredNoise(seconds, seed, centre, env, q, &SvFilter::Out::band);
}

double Decay(double t, double attack, double tau) {
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

std::vector<std::uint8_t> Finish(Buffer b, double peak, double fade_in_ms, double fade_out_ms) {
  // Remove any DC offset first: a shifted signal would start and end with a
  // jump away from the silent level.
  double mean = 0.0;
  for (double v : b) mean += v;
  if (!b.empty()) mean /= static_cast<double>(b.size());
  for (double& v : b) v -= mean;

  const std::size_t in = static_cast<std::size_t>(fade_in_ms * kSampleRate / 1000.0);
  const std::size_t out = static_cast<std::size_t>(fade_out_ms * kSampleRate / 1000.0);
  for (std::size_t i = 0; i < b.size(); ++i) {
    double g = 1.0;
    if (i < in) g = std::min(g, static_cast<double>(i) / static_cast<double>(in));
    const std::size_t from_end = b.size() - 1 - i;
    if (from_end < out) g = std::min(g, static_cast<double>(from_end) / static_cast<double>(out));
    b[i] *= g;
  }
  double max = 0.0;
  for (double v : b) max = std::max(max, std::fabs(v));
  const double scale = max > 0.0 ? peak / max : 0.0;
  std::vector<std::uint8_t> s(b.size());
  for (std::size_t i = 0; i < b.size(); ++i) {
    const long v = std::lround(128.0 + b[i] * scale * 127.0);
    s[i] = static_cast<std::uint8_t>(std::clamp(v, 1L, 255L));
  }
  return s;
}

}  // namespace krel::content
