// The soundtrack's instruments, synthesised: drums from shaped sines and filtered noise,
// tonal voices additively so their loops close on whole cycles (no clicks at loop points).
#include <algorithm>
#include <cmath>

#include "base/random.h"
#include "tools/forge/music_internal.h"

namespace tw::music {

namespace {

constexpr double kRate = 44100.0;
constexpr double kTwoPi = 6.283185307179586;
// Every sample spans the 16-bit range, just short of full scale; the levels of the mix live
// in the volumes the score writes and the mix scales (music_mix.cpp).
constexpr double kSamplePeak = 0.99;
constexpr double kKickDrive = 2.0;             // tanh drive of the kick's body
constexpr double kMiddleC = 261.6255653005986; // C-4 plays drums at their recorded rate

// White noise in -1..1 from the presentation's generator.
double noise() {
    return (demoRand() - 16383.5) / 16383.5;
}

// One-pole high-pass, run in place.
void highPass(std::vector<double>& x, double cutoffHz) {
    double a = 1.0 / (1.0 + kTwoPi * cutoffHz / kRate);
    double prevIn = 0, prevOut = 0;
    for (double& v : x) {
        double out = a * (prevOut + v - prevIn);
        prevIn = v;
        prevOut = out;
        v = out;
    }
}

// Scales to kSamplePeak of full scale and converts. A short fade at each end guarantees the
// one-shots start and stop at zero.
std::vector<int16_t> toPcm(std::vector<double> x, int fadeInSamples, int fadeOutSamples) {
    int n = static_cast<int>(x.size());
    for (int i = 0; i < fadeInSamples && i < n; ++i) x[i] *= static_cast<double>(i) / fadeInSamples;
    for (int i = 0; i < fadeOutSamples && i < n; ++i)
        x[n - 1 - i] *= static_cast<double>(i) / fadeOutSamples;
    double maxAbs = 1e-9;
    for (double v : x) maxAbs = std::max(maxAbs, std::abs(v));
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(x[i] / maxAbs * kSamplePeak * 32767.0));
    return out;
}

XmInstrument oneShot(const char* name, std::vector<int16_t> pcm, uint8_t volume, uint8_t pan) {
    XmInstrument ins;
    ins.name = name;
    ins.sample.name = name;
    ins.sample.data = std::move(pcm);
    ins.sample.volume = volume;
    ins.sample.panning = pan;
    tuneSample(ins.sample, kRate, kMiddleC);
    return ins;
}

std::vector<int16_t> kick() {
    int n = static_cast<int>(0.6 * kRate);
    std::vector<double> x(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        double t = i / kRate;
        double f = 46.0 + 120.0 * std::exp(-t / 0.03); // the pitch drop gives the thump
        phase += kTwoPi * f / kRate;
        double body = std::sin(phase) * std::exp(-t / 0.26);
        double click = noise() * std::exp(-t / 0.002) * 0.15;
        // Gentle saturation rounds the body's peaks: more weight for the same peak level.
        x[i] = std::tanh(kKickDrive * body) / std::tanh(kKickDrive) + click;
    }
    return toPcm(x, 22, 2000);
}

std::vector<int16_t> snare() {
    int n = static_cast<int>(0.42 * kRate);
    std::vector<double> hiss(n);
    for (double& v : hiss) v = noise();
    highPass(hiss, 1400.0);
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i) {
        double t = i / kRate;
        double tone = 0.55 * std::sin(kTwoPi * 186.0 * t) * std::exp(-t / 0.05) +
                      0.25 * std::sin(kTwoPi * 334.0 * t) * std::exp(-t / 0.03);
        double snap = hiss[i] * (0.9 * std::exp(-t / 0.09) + 0.6 * std::exp(-t / 0.012));
        x[i] = tone + snap;
    }
    return toPcm(x, 22, 1500);
}

std::vector<int16_t> hat(double seconds, double decay) {
    int n = static_cast<int>(seconds * kRate);
    std::vector<double> x(n);
    // Noise plus a few inharmonic square partials: the metallic shimmer of a hi-hat.
    const double partials[] = {3140.0, 4270.0, 5390.0, 6910.0, 8120.0, 9730.0};
    for (int i = 0; i < n; ++i) {
        double t = i / kRate;
        double metal = 0;
        for (double f : partials) metal += std::sin(kTwoPi * f * t) > 0 ? 1.0 : -1.0;
        x[i] = noise() * 0.8 + metal * 0.08;
    }
    highPass(x, 6000.0);
    highPass(x, 6000.0);
    for (int i = 0; i < n; ++i) x[i] *= std::exp(-(i / kRate) / decay);
    return toPcm(x, 22, std::min(n / 4, 1500));
}

std::vector<int16_t> crash() {
    int n = static_cast<int>(3.0 * kRate);
    std::vector<double> x(n);
    const double partials[] = {2213.0, 2971.0, 3607.0, 4519.0, 5279.0, 6833.0, 7411.0};
    for (int i = 0; i < n; ++i) {
        double t = i / kRate;
        double metal = 0;
        for (double f : partials) metal += std::sin(kTwoPi * f * t) > 0 ? 1.0 : -1.0;
        x[i] = noise() + metal * 0.06;
    }
    highPass(x, 3500.0);
    highPass(x, 3500.0);
    for (int i = 0; i < n; ++i) {
        double t = i / kRate;
        x[i] *= std::exp(-t / 0.85) * (0.6 + 0.4 * std::exp(-t / 0.08));
    }
    return toPcm(x, 44, 4000);
}

// A looped tone: `cycles` whole cycles of each partial fit `loopSamples` exactly, so the loop
// closes without a step. partial(h) gives the amplitude of harmonic h (1-based).
template <typename Partial>
std::vector<double> loopTone(int loopSamples, const std::vector<int>& cycles, int harmonics,
                             Partial partial) {
    std::vector<double> x(loopSamples, 0.0);
    for (int k : cycles) {
        // Each oscillator starts at a different phase so the detuned voices do not line up.
        double phase0 = 0.7 * k;
        for (int h = 1; h <= harmonics; ++h) {
            double a = partial(h);
            if (a == 0) continue;
            double w = kTwoPi * h * k / loopSamples;
            for (int i = 0; i < loopSamples; ++i) x[i] += a * std::sin(w * i + h * phase0);
        }
    }
    return x;
}

XmInstrument pad() {
    // Three saws at 219, 220 and 221.5 Hz over a two-second loop: a slow chorus beat.
    constexpr int loop = static_cast<int>(2 * kRate);
    std::vector<double> x = loopTone(loop, {438, 440, 443}, 48, [](int h) {
        double f = 220.0 * h;
        return (1.0 / h) / (1.0 + (f / 1800.0) * (f / 1800.0)); // saw, softened above 1.8 kHz
    });
    XmInstrument ins;
    ins.name = "pad";
    ins.sample.name = "detuned saw pad";
    ins.sample.data = toPcm(x, 0, 0);
    ins.sample.loopStart = 0;
    ins.sample.loopLength = loop;
    ins.sample.volume = 40;
    ins.sample.panning = 128;
    tuneSample(ins.sample, kRate, 220.0);
    // Half-second swell, sustain, one-second release after key-off.
    ins.volumeEnvelope = {{0, 0}, {24, 64}, {72, 0}};
    ins.sustainPoint = 1;
    ins.fadeout = 0x80;
    return ins;
}

XmInstrument bass() {
    // 55 whole cycles in one second: sine with a little second and third harmonic.
    constexpr int loop = static_cast<int>(kRate);
    std::vector<double> x = loopTone(loop, {55}, 3, [](int h) {
        return h == 1 ? 1.0 : h == 2 ? 0.3 : 0.12;
    });
    XmInstrument ins;
    ins.name = "sub bass";
    ins.sample.name = "sub bass";
    ins.sample.data = toPcm(x, 0, 0);
    ins.sample.loopStart = 0;
    ins.sample.loopLength = loop;
    ins.sample.volume = 56;
    tuneSample(ins.sample, kRate, 55.0);
    // Fast attack and a short release so note changes and key-offs never click.
    ins.volumeEnvelope = {{0, 0}, {1, 64}, {4, 0}};
    ins.sustainPoint = 1;
    ins.fadeout = 0x200;
    return ins;
}

XmInstrument pluck() {
    // Decaying harmonics (the higher, the faster): a plucked string at A-4.
    int n = static_cast<int>(1.6 * kRate);
    std::vector<double> x(n, 0.0);
    for (int h = 1; h <= 12; ++h) {
        double amp = 1.0 / h;
        double decay = 0.9 / (1.0 + 0.45 * (h - 1));
        double w = kTwoPi * 440.0 * h / kRate;
        for (int i = 0; i < n; ++i) x[i] += amp * std::sin(w * i) * std::exp(-(i / kRate) / decay);
    }
    XmInstrument ins;
    ins.name = "pluck";
    ins.sample.name = "plucked lead";
    ins.sample.data = toPcm(x, 88, 3000);
    ins.sample.volume = 44;
    ins.sample.panning = 112;
    tuneSample(ins.sample, kRate, 440.0);
    ins.volumeEnvelope = {{0, 64}, {2, 64}, {8, 0}};
    ins.sustainPoint = 1;
    ins.fadeout = 0x400;
    return ins;
}

} // namespace

std::vector<XmInstrument> synthInstruments() {
    // The forge's noise must not disturb anyone else's use of the shared generator.
    uint32_t saved = detail::gRandomState;
    seedRandom(0x51a7u);
    std::vector<XmInstrument> v;
    v.push_back(oneShot("kick", kick(), 64, 128));
    v.push_back(oneShot("snare", snare(), 50, 128));
    v.push_back(oneShot("closed hat", hat(0.12, 0.022), 30, 150));
    v.push_back(oneShot("open hat", hat(0.6, 0.16), 28, 150));
    v.push_back(bass());
    v.push_back(pad());
    v.push_back(pluck());
    v.push_back(oneShot("crash", crash(), 36, 112));
    detail::gRandomState = saved;
    return v;
}

} // namespace tw::music
