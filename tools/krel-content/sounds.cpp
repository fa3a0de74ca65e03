// Each effect is a small recipe over the synthesis blocks: noise bursts with
// falling filters for shots and explosions, formant-filtered buzzes for the
// cries, pitched blips for the menu, inharmonic rings for metal.
#include "tools/krel-content/sounds.h"

#include <cmath>

#include "tools/krel-content/synth.h"

namespace krel::content {
namespace {

constexpr const char* kNames[kSoundCount + 1] = {
    "",      "SHOTGUN", "SHOT",     "RIFLE",    "BAZOOKA", "BLASTER",  "THROW",  "PLASMA", "EXP3A", "EXP3B", "EXP2",
    "EXP3",  "EXP4",    "EXP5",     "DIRT",     "BUMP",    "DEATH1",   "DEATH2", "DEATH3", "HURT1", "HURT2", "HURT3",
    "ALIVE", "BEGIN",   "DROPSHEL", "RELOADED", "MOVEUP",  "MOVEDOWN", "SELECT", "BOING",  "BURNER"};

// Exponential glide from a to b with time constant tau.
double Glide(double a, double b, double t, double tau) { return b + (a - b) * std::exp(-t / tau); }

// A blast: low-passed noise whose cutoff falls as it decays, a sub-bass
// thump, and optional crackle.
Buffer Explosion(double seconds, std::uint64_t seed, double cut0, double cut1, double tau, double thump_hz,
                 double crackle) {
  Buffer b = LowNoise(
      seconds, seed, [=](double t) { return Glide(cut0, cut1, t, tau * 0.8); },
      [=](double t) { return Decay(t, 0.004, tau) * 0.8 + Decay(t, 0.002, tau * 0.25) * 0.4; }, 0.8);
  AddAt(b, 0.0,
        Tone(
            seconds, [=](double t) { return Glide(thump_hz * 1.6, thump_hz, t, 0.06); }, Sine,
            [=](double t) { return Decay(t, 0.003, tau * 0.6); }),
        0.5);
  if (crackle > 0) {
    Rng rng(seed + 99);
    Buffer c = MakeBuffer(seconds);
    for (std::size_t i = 0; i < c.size(); ++i) {
      const double t = TimeOf(i);
      if (rng.uniform() < 0.004 * Decay(t, 0.01, tau * 1.5)) c[i] = rng.signed_unit() * 2.5;
    }
    SvFilter f;
    for (double& v : c) v = f.step(v, 2500, 0.7).low;
    AddAt(b, 0.0, c, crackle);
  }
  return b;
}

// A cry: a buzzing glottal source through two formant band passes that
// move from one vowel to another.
Buffer Voice(double seconds, std::uint64_t seed, const std::function<double(double)>& pitch, double f1a, double f2a,
             double f1b, double f2b, double rasp) {
  Buffer src = Tone(
      seconds, [&](double t) { return pitch(t) * (1.0 + 0.03 * std::sin(2 * 3.14159 * 7.0 * t)); }, Saw,
      [=](double t) {
        const double end = seconds - t;
        return std::min(1.0, t / 0.025) * std::min(1.0, end / 0.12);
      });
  Rng rng(seed);
  for (double& v : src) v += rng.signed_unit() * rasp;
  Buffer out = MakeBuffer(seconds);
  SvFilter a, b;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const double t = TimeOf(i) / seconds;
    const double f1 = f1a + (f1b - f1a) * t, f2 = f2a + (f2b - f2a) * t;
    out[i] = a.step(src[i], f1, 4.0).band + 0.6 * b.step(src[i], f2, 5.0).band;
  }
  return out;
}

Buffer Blip(double seconds, double hz, double tau) {
  return Tone(
      seconds, [=](double) { return hz; },
      [](double p) { return Sine(p) + 0.25 * Sine(p * 2.0 - std::floor(p * 2.0)); },
      [=](double t) { return Decay(t, 0.002, tau); });
}

// Struck metal: a few inharmonic partials ringing down.
Buffer Ting(double seconds, double base, double tau) {
  Buffer b = MakeBuffer(seconds);
  const double partials[4] = {1.0, 1.48, 2.03, 2.71};
  const double gains[4] = {1.0, 0.6, 0.45, 0.3};
  for (int k = 0; k < 4; ++k)
    AddAt(b, 0.0,
          Tone(
              seconds, [=](double) { return base * partials[k]; }, Sine,
              [=](double t) { return Decay(t, 0.001, tau / (1.0 + 0.4 * k)); }),
          gains[k]);
  return b;
}

Buffer Click(double seconds, std::uint64_t seed, double centre) {
  return BandNoise(
      seconds, seed, [=](double) { return centre; }, [](double t) { return Decay(t, 0.0005, 0.006); }, 2.0);
}

}  // namespace

const char* SoundName(int n) { return n >= 1 && n <= kSoundCount ? kNames[n] : ""; }

std::vector<std::uint8_t> SynthesiseSound(int n) {
  switch (n) {
    case 1: {  // SHOTGUN: a wide, heavy blast with a short tail
      Buffer b = LowNoise(
          0.45, 11, [](double t) { return Glide(5500, 700, t, 0.07); },
          [](double t) { return Decay(t, 0.002, 0.06) + 0.25 * Decay(t, 0.002, 0.2); });
      AddAt(b, 0.0,
            Tone(
                0.45, [](double t) { return Glide(140, 55, t, 0.05); }, Sine,
                [](double t) { return Decay(t, 0.002, 0.07); }),
            0.6);
      return Finish(b, 0.88);
    }
    case 2: {  // SHOT: a short bright crack
      Buffer b = LowNoise(
          0.16, 12, [](double t) { return Glide(3200, 1200, t, 0.03); },
          [](double t) { return Decay(t, 0.001, 0.022); });
      AddAt(b, 0.0,
            Tone(
                0.16, [](double t) { return Glide(260, 120, t, 0.02); }, Sine,
                [](double t) { return Decay(t, 0.001, 0.02); }),
            0.35);
      return Finish(b, 0.8);
    }
    case 3: {  // RIFLE: a hard crack and its echo off the cave walls
      Buffer b = LowNoise(
          0.5, 13, [](double t) { return Glide(3400, 1500, t, 0.02); },
          [](double t) { return Decay(t, 0.0008, 0.014); });
      Buffer tail = LowNoise(
          0.5, 14, [](double) { return 1300.0; }, [](double t) { return Decay(t, 0.01, 0.12); });
      AddAt(b, 0.0, tail, 0.25);
      Buffer echo = b;
      AddAt(b, 0.085, echo, 0.3);
      return Finish(b, 0.85);
    }
    case 4: {  // BAZOOKA: a thump and the rocket's rising whoosh
      Buffer b = BandNoise(
          0.6, 15, [](double t) { return 350 + 2600 * t; },
          [](double t) { return std::min(1.0, t / 0.04) * Decay(t, 0.0, 0.3); }, 1.2);
      AddAt(b, 0.0,
            Tone(
                0.6, [](double t) { return Glide(120, 50, t, 0.05); }, Sine,
                [](double t) { return Decay(t, 0.002, 0.06); }),
            0.9);
      return Finish(b, 0.85);
    }
    case 5: {  // BLASTER: a falling laser zap
      Buffer b = Tone(
          0.25, [](double t) { return Glide(1900, 220, t, 0.06); }, SoftSquare,
          [](double t) { return Decay(t, 0.002, 0.09); });
      return Finish(b, 0.7);
    }
    case 6: {  // THROW: a swish through the air
      Buffer b = BandNoise(
          0.26, 16, [](double t) { return 700 + 2400 * std::sin(3.14159 * t / 0.26); },
          [](double t) { return std::pow(std::sin(3.14159 * t / 0.26), 2.0); }, 1.5);
      return Finish(b, 0.6, 3.0, 10.0);
    }
    case 7: {  // PLASMA: a warbling, rising energy burst
      Buffer b = Tone(
          0.45, [](double t) { return (300 + 900 * t / 0.45) * (1.0 + 0.15 * std::sin(2 * 3.14159 * 28 * t)); }, Saw,
          [](double t) { return Decay(t, 0.01, 0.16); });
      Buffer d = Tone(
          0.45, [](double t) { return (305 + 920 * t / 0.45); }, Sine, [](double t) { return Decay(t, 0.01, 0.2); });
      AddAt(b, 0.0, d, 0.7);
      SvFilter f;
      for (double& v : b) v = f.step(v, 2600, 1.0).low;
      return Finish(b, 0.7);
    }
    case 8: return Finish(Explosion(0.7, 21, 3200, 220, 0.16, 60, 0.0), 0.9);     // EXP3A
    case 9: return Finish(Explosion(0.7, 22, 2600, 260, 0.18, 52, 0.35), 0.9);    // EXP3B
    case 10: return Finish(Explosion(0.45, 23, 4200, 400, 0.09, 80, 0.0), 0.85);  // EXP2: small
    case 11: return Finish(Explosion(0.8, 24, 3000, 200, 0.2, 55, 0.2), 0.9);     // EXP3: medium
    case 12: return Finish(Explosion(1.1, 25, 2400, 130, 0.3, 45, 0.3), 0.92);    // EXP4: large
    case 13: {                                                                    // EXP5: huge, two stage
      Buffer b = Explosion(1.5, 26, 2200, 100, 0.42, 38, 0.45);
      AddAt(b, 0.09, Explosion(1.3, 27, 1500, 90, 0.35, 34, 0.0), 0.6);
      return Finish(b, 0.93, 3.0, 40.0);
    }
    case 14: {  // DIRT: crumbling soil, a shower of grains
      Buffer b = LowNoise(
          0.35, 28, [](double) { return 900.0; }, [](double t) { return Decay(t, 0.005, 0.1); });
      Rng rng(29);
      Buffer g = MakeBuffer(0.35);
      for (std::size_t i = 0; i < g.size(); ++i)
        if (rng.uniform() < 0.006 * Decay(TimeOf(i), 0.01, 0.12)) g[i] = rng.signed_unit() * 3.0;
      SvFilter f;
      for (double& v : g) v = f.step(v, 1800, 1.5).band;
      AddAt(b, 0.0, g, 0.8);
      return Finish(b, 0.75);
    }
    case 15: {  // BUMP: a dull thud
      Buffer b = Tone(
          0.13, [](double t) { return Glide(130, 60, t, 0.03); }, Sine, [](double t) { return Decay(t, 0.002, 0.03); });
      AddAt(b, 0.0,
            LowNoise(
                0.13, 30, [](double) { return 400.0; }, [](double t) { return Decay(t, 0.001, 0.015); }),
            0.4);
      return Finish(b, 0.8, 2.0, 15.0);
    }
    case 16:  // DEATH1: a long falling wail
      return Finish(Voice(
                        0.75, 31, [](double t) { return Glide(420, 110, t, 0.35); }, 800, 1200, 450, 800, 0.15),
                    0.8);
    case 17:  // DEATH2: a scream that breaks down
      return Finish(Voice(
                        0.65, 32, [](double t) { return 520 - 380 * t / 0.65 + 25 * std::sin(60 * t); }, 750, 1800, 500,
                        900, 0.25),
                    0.8);
    case 18:  // DEATH3: a groan that gurgles away
      return Finish(Voice(
                        0.8, 33,
                        [](double t) { return Glide(300, 80, t, 0.3) * (1.0 + 0.08 * std::sin(2 * 3.14159 * 11 * t)); },
                        600, 1000, 350, 700, 0.3),
                    0.8);
    case 19:  // HURT1: "ow"
      return Finish(Voice(
                        0.24, 34, [](double t) { return 330 + 200 * std::sin(3.14159 * t / 0.24); }, 750, 1150, 400,
                        800, 0.1),
                    0.75);
    case 20:  // HURT2: "oof"
      return Finish(Voice(
                        0.2, 35, [](double t) { return Glide(260, 170, t, 0.1); }, 500, 900, 350, 700, 0.25),
                    0.75);
    case 21:  // HURT3: a yelp
      return Finish(Voice(
                        0.18, 36, [](double t) { return 480 + 260 * std::sin(3.14159 * t / 0.18); }, 850, 1900, 700,
                        1500, 0.1),
                    0.75);
    case 22: {  // ALIVE: a quick rising chirp of three notes
      Buffer b = MakeBuffer(0.42);
      const double notes[3] = {523.25, 659.25, 783.99};
      for (int k = 0; k < 3; ++k) AddAt(b, 0.09 * k, Blip(0.42 - 0.09 * k, notes[k], 0.09), 1.0);
      return Finish(b, 0.6);
    }
    case 23: {  // BEGIN: a short fanfare
      Buffer b = MakeBuffer(0.85);
      const double notes[4] = {392.0, 523.25, 659.25, 783.99};
      const double at[4] = {0.0, 0.12, 0.24, 0.36};
      for (int k = 0; k < 4; ++k) {
        const double tau = k == 3 ? 0.25 : 0.08;
        AddAt(b, at[k],
              Tone(
                  0.85 - at[k], [=](double) { return notes[k]; }, SoftSquare,
                  [=](double t) { return Decay(t, 0.005, tau); }),
              0.6);
      }
      SvFilter f;
      for (double& v : b) v = f.step(v, 2800, 0.8).low;
      return Finish(b, 0.7, 3.0, 40.0);
    }
    case 24: {  // DROPSHEL: a brass shell tinkling on rock, bouncing twice
      Buffer b = MakeBuffer(0.36);
      AddAt(b, 0.0, Ting(0.36, 2900, 0.05), 1.0);
      AddAt(b, 0.11, Ting(0.25, 3100, 0.035), 0.55);
      AddAt(b, 0.19, Ting(0.17, 3000, 0.025), 0.3);
      return Finish(b, 0.55);
    }
    case 25: {  // RELOADED: click, then the clack of the bolt
      Buffer b = MakeBuffer(0.3);
      AddAt(b, 0.0, Click(0.1, 37, 2400), 1.0);
      AddAt(b, 0.13, Click(0.12, 38, 1300), 1.2);
      AddAt(b, 0.13, Ting(0.15, 1800, 0.03), 0.25);
      return Finish(b, 0.65, 1.0, 15.0);
    }
    case 26: return Finish(Blip(0.06, 1320, 0.018), 0.45, 2.0, 12.0);  // MOVEUP
    case 27: return Finish(Blip(0.06, 990, 0.018), 0.45, 2.0, 12.0);   // MOVEDOWN
    case 28: {                                                         // SELECT: a two-note confirm
      Buffer b = MakeBuffer(0.16);
      AddAt(b, 0.0, Blip(0.08, 880, 0.03), 1.0);
      AddAt(b, 0.06, Blip(0.1, 1320, 0.035), 1.0);
      return Finish(b, 0.5, 2.0, 15.0);
    }
    case 29: {  // BOING: a spring twanging down to a wobble
      Buffer b = Tone(
          0.6,
          [](double t) {
            return Glide(520, 170, t, 0.05) * (1.0 + 0.1 * std::sin(2 * 3.14159 * 14 * t) * std::exp(-t / 0.3));
          },
          [](double p) { return Sine(p) + 0.3 * Sine(p * 3.0 - std::floor(p * 3.0)); },
          [](double t) { return Decay(t, 0.003, 0.2); });
      return Finish(b, 0.7);
    }
    case 30: {  // BURNER: the roar of a flame thrower
      Rng flicker(40);
      std::vector<double> level(64);
      for (double& l : level) l = 0.6 + 0.4 * flicker.uniform();
      Buffer b = LowNoise(
          0.7, 41, [](double t) { return 650 + 250 * std::sin(2 * 3.14159 * 3 * t); },
          [&level](double t) {
            const double pos = t * 60.0;
            const auto k = static_cast<std::size_t>(pos) % 63;
            const double f = pos - std::floor(pos);
            const double flick = level[k] + (level[k + 1] - level[k]) * f;
            return std::min(1.0, t / 0.05) * std::min(1.0, (0.7 - t) / 0.15) * flick;
          },
          1.2);
      AddAt(b, 0.0,
            BandNoise(
                0.7, 42, [](double) { return 2500.0; },
                [](double t) { return std::min(1.0, t / 0.05) * std::min(1.0, (0.7 - t) / 0.15); }, 1.0),
            0.15);
      return Finish(b, 0.8, 5.0, 30.0);
    }
    default: return {};
  }
}

}  // namespace krel::content
