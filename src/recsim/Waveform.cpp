#include "recsim/Waveform.h"

#include "recsim/Calibration.h"

#include <algorithm>
#include <cmath>

namespace recsim {
namespace {

constexpr double kVodStep = 5.0 / 16383.0;  // volts per code of the VOD input

std::uint64_t splitmix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b) { return splitmix(a ^ splitmix(b)); }

Waveform::Waveform(const RecorderImage& image, const StoredTest& test, int channel,
                   std::uint64_t prePoints, std::uint64_t noiseSeed)
    : m_kind(test.channels.at(static_cast<std::size_t>(channel)).signal.kind),
      m_signal(test.channels.at(static_cast<std::size_t>(channel)).signal),
      m_channel(channel),
      m_seed(noiseSeed) {
    const TestChannel& ch = test.channels[static_cast<std::size_t>(channel)];
    const InputCalibration& cal = image.inputs[static_cast<std::size_t>(channel)];
    const int code = test.sampleSpeedCode;
    const double rate = code >= 0 && code < static_cast<int>(kSampleSpeedsHz.size())
                            ? kSampleSpeedsHz[static_cast<std::size_t>(code)]
                            : 1000000.0;
    m_dt = 1.0 / rate;
    m_preSeconds = static_cast<double>(prePoints) * m_dt;
    m_threshold = thresholdVolts(cal, ch.dacVt);
    m_rref = rsrfOhms(cal);
    m_codePerVolt = 0.0;
    m_codeOffset = 0.0;
    const int group = rangeGroup(ch.selectCode);
    if (ch.selectCode == 1) {
        // The VOD input reads V = code * step / KS - VFS.
        const double ks = ksGain(cal, group);
        m_codePerVolt = ks / kVodStep;
        m_codeOffset = vfsVolts(cal, group) * ks / kVodStep;
    } else if (group >= 0) {
        // A scope input reads u = (Min + code * span / 16383 - VFS) / KS.
        const auto s = static_cast<std::size_t>(ch.selectCode);
        const double span = kMaxVoltage[s] - kMinVoltage[s];
        m_codePerVolt = ksGain(cal, group) * 16383.0 / span;
        m_codeOffset = (vfsVolts(cal, group) - kMinVoltage[s]) * 16383.0 / span;
    } else {
        m_kind = SignalKind::None;  // an input that is off reads code 0
    }
}

double Waveform::cleanVolts(double t) const {
    switch (m_kind) {
    case SignalKind::Vod: {
        const double consumed = std::clamp(m_signal.velocityMps * (t - m_signal.arrivalMs * 1e-3),
                                           0.0, m_signal.probeLengthM);
        const double r = m_signal.unitResistanceOhmPerM * (m_signal.probeLengthM - consumed);
        return m_threshold * r / (r + m_rref);
    }
    case SignalKind::Pulse: {
        const double dt = t - m_signal.arrivalMs * 1e-3;
        if (dt <= 0) return m_signal.baselineVolts;
        const double rise = m_signal.riseUs * 1e-6;
        if (dt < rise) return m_signal.baselineVolts + m_signal.peakVolts * dt / rise;
        const double decayed = (dt - rise) / (m_signal.decayUs * 1e-6);
        if (decayed > 60) return m_signal.baselineVolts;
        return m_signal.baselineVolts + m_signal.peakVolts * std::exp(-decayed);
    }
    case SignalKind::Level:
        return m_signal.levelVolts;
    case SignalKind::None:
    case SignalKind::Ramp:
        break;
    }
    return 0.0;
}

double Waveform::volts(std::uint64_t k) const { return cleanVolts(secondsAfterTrigger(k)); }

std::uint16_t Waveform::code(std::uint64_t k) const {
    std::uint16_t c = 0;
    fill(k, 1, &c, 1);
    return c;
}

template <typename Volts>
void Waveform::fillWith(std::uint64_t k0, std::size_t count, std::uint16_t* out, std::size_t stride,
                        Volts volts) const {
    const double noise = m_signal.noiseVolts / kNoiseSigma;
    if (noise == 0.0) {
        for (std::size_t i = 0; i < count; ++i)
            out[i * stride] = toCode(volts(secondsAfterTrigger(k0 + i)));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t k = k0 + i;
        out[i * stride] = toCode(volts(secondsAfterTrigger(k)) + noise * noiseAt(m_seed, k));
    }
}

void Waveform::fill(std::uint64_t k0, std::size_t count, std::uint16_t* out,
                    std::size_t stride) const {
    switch (m_kind) {
    case SignalKind::None:
        for (std::size_t i = 0; i < count; ++i) out[i * stride] = 0;
        return;
    case SignalKind::Ramp: {
        const std::uint64_t offset = m_channel == 1 ? 8192 : 0;
        for (std::size_t i = 0; i < count; ++i)
            out[i * stride] = static_cast<std::uint16_t>((k0 + i + offset) & 0x3FFF);
        return;
    }
    case SignalKind::Vod: {
        // Whole probe before the front arrives, nothing left once it has run its length.
        const double arrival = m_signal.arrivalMs * 1e-3;
        const double end = arrival + m_signal.probeLengthM / m_signal.velocityMps;
        const double before = cleanVolts(arrival);
        fillWith(k0, count, out, stride, [&](double t) {
            if (t <= arrival) return before;
            if (t >= end) return 0.0;
            return cleanVolts(t);
        });
        return;
    }
    case SignalKind::Level: {
        const double level = m_signal.levelVolts;
        fillWith(k0, count, out, stride, [level](double) { return level; });
        return;
    }
    case SignalKind::Pulse:
        fillWith(k0, count, out, stride, [this](double t) { return cleanVolts(t); });
        return;
    }
}

}  // namespace recsim
