#include "recsim/ImageDescription.h"

#include "recsim/Calibration.h"
#include "recsim/RecorderImageFile.h"

#include <cstdio>
#include <sstream>

namespace recsim {
namespace {

std::string number(double v, const char* format = "%g") {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

std::string yesNo(bool b) { return b ? "yes" : "no"; }

std::string describeSignal(const RecorderImage& image, const StoredTest& test, int c) {
    const TestChannel& ch = test.channels[static_cast<std::size_t>(c)];
    const ChannelSignal& s = ch.signal;
    std::ostringstream o;
    const std::string noise =
        s.noiseVolts > 0 ? ", noise " + number(s.noiseVolts * 1000) + " mV rms" : std::string();
    switch (s.kind) {
    case SignalKind::None:
        o << "no signal (code 0)";
        break;
    case SignalKind::Vod:
        o << "probe of " << number(s.probeLengthM) << " m at " << number(s.unitResistanceOhmPerM)
          << " ohm/m consumed at " << number(s.velocityMps) << " m/s from " << number(s.arrivalMs)
          << " ms (in " << number(s.probeLengthM / s.velocityMps * 1000, "%.4g") << " ms)" << noise
          << "; enter unit resistance " << number(s.unitResistanceOhmPerM)
          << " when the analysis program asks";
        break;
    case SignalKind::Pulse:
        o << "pressure pulse " << number(s.peakVolts) << " V above " << number(s.baselineVolts)
          << " V at " << number(s.arrivalMs) << " ms, rise " << number(s.riseUs) << " us, decay "
          << number(s.decayUs) << " us" << noise;
        break;
    case SignalKind::Level:
        o << "constant " << number(s.levelVolts) << " V" << noise;
        break;
    case SignalKind::Ramp:
        o << "ramp: code = point number" << (c == 1 ? " + 8192" : "") << ", modulo 16384";
        break;
    }
    if (ch.selectCode == 1)
        o << "; threshold DAC " << ch.dacVt << " ("
          << number(thresholdVolts(image.inputs[static_cast<std::size_t>(c)], ch.dacVt), "%.5f")
          << " V)";
    o << (ch.initialSamples ? "; initial codes given" : "; initial codes from its first points");
    return o.str();
}

std::string describeFaults(const Faults& f) {
    std::ostringstream o;
    if (f.ackDelayReads) o << "  answers appear " << f.ackDelayReads << " status reads late\n";
    if (f.flickerPeriod && f.flickerMask)
        o << "  status bits 0x" << std::hex << static_cast<int>(f.flickerMask) << std::dec
          << " flicker on every " << f.flickerPeriod << "th read after a change"
          << (f.flickerLimit ? " (" + std::to_string(f.flickerLimit) + " times)" : std::string(" (always)"))
          << "\n";
    if (f.stuck.kind != StuckLine::Kind::None)
        o << "  " << (f.stuck.kind == StuckLine::Kind::Status ? "status" : "data") << " line "
          << f.stuck.bit << " stuck at " << (f.stuck.level ? 1 : 0) << "\n";
    if (f.unplugAfterAccesses) o << "  cable pulled after " << f.unplugAfterAccesses << " register accesses\n";
    if (f.markerErrorStep)
        o << "  marker error at data step " << f.markerErrorStep
          << (f.markerErrorTransfers ? " in the first " + std::to_string(f.markerErrorTransfers) + " transfers"
                                     : std::string(" in every transfer"))
          << "\n";
    if (f.ecpNeverFull) o << "  the ECP FIFO is never full\n";
    if (f.powerOffAtStep) o << "  switched off at data step " << f.powerOffAtStep << "\n";
    if (f.gateSettleReads) o << "  gate array output settles after " << f.gateSettleReads << " reads\n";
    return o.str();
}

}  // namespace

std::string describeImage(const RecorderImage& image) {
    std::ostringstream o;
    const std::uint64_t slotWords = image.slotWords();
    const int stored = static_cast<int>(image.tests.size());
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", image.port);
    o << "Multi-channel recorder, serial number " << image.serialNumber << ", plugged in at port "
      << image.port << " (" << hex << ").\n"
      << "Memory: " << image.memoryWords << " words in " << image.slots << " slot"
      << (image.slots == 1 ? "" : "s") << " of " << slotWords << " words (" << slotWords / 2
      << " steps); " << stored << " test" << (stored == 1 ? "" : "s") << " stored, "
      << image.freeSlots() << " slot" << (image.freeSlots() == 1 ? "" : "s") << " free.\n";
    if (image.memoryWords != kFullMemoryWords)
        o << "  (a reduced memory: the real recorder has " << kFullMemoryWords << " words)\n";
    const long long first = static_cast<long long>(image.measurementCounter % 1000000) - stored + 1;
    o << "Measurement counter " << image.measurementCounter;
    if (stored > 0) o << ": the stored tests are measurements " << first << " to " << first + stored - 1;
    o << ".\n";
    for (int i = 0; i < 2; ++i) {
        const InputCalibration& c = image.inputs[static_cast<std::size_t>(i)];
        o << "Input " << i + 1 << ": RSRF " << number(rsrfOhms(c)) << " ohm, RP " << c.rp
          << ", VFS/KS " << number(c.vfsVolts[0]) << "/" << number(c.ks[0]) << " (codes 1, 2)";
        for (int g = 1; g < 5; ++g)
            o << ", " << number(c.vfsVolts[static_cast<std::size_t>(g)]) << "/"
              << number(c.ks[static_cast<std::size_t>(g)]) << " (" << g + 2 << ")";
        o << "; threshold " << number(c.vtOffsetVolts) << " V + " << number(c.vtGainVoltsPerCode)
          << " V per DAC code.\n";
    }
    for (int t = 1; t <= stored; ++t) {
        const StoredTest& test = image.tests[static_cast<std::size_t>(t - 1)];
        const int blocks = static_cast<int>(kMemoryBlocks) / image.slots;
        const auto speed = static_cast<std::size_t>(test.sampleSpeedCode);
        const double rate = speed < kSampleSpeedsHz.size() ? kSampleSpeedsHz[speed] : 0;
        std::int64_t pre = static_cast<std::int64_t>(test.atrig) - test.astop + (test.halfStep ? 32 : 0);
        if (pre < 0) pre += static_cast<std::int64_t>(slotWords);
        const int nch = test.channelCount();
        o << "\nTest " << t << " (measurement " << first + t - 1 << "), blocks " << (t - 1) * blocks
          << " to " << t * blocks - 1 << ":\n  " << nch << " channel" << (nch == 1 ? "" : "s") << " at ";
        if (rate > 0)
            o << number(rate, "%.0f") << " Hz";
        else
            o << "sample speed code " << test.sampleSpeedCode << " (no such rate)";
        const auto percent = [](int code) {
            return code < static_cast<int>(kPercentTable.size())
                       ? std::to_string(kPercentTable[static_cast<std::size_t>(code)]) + " %"
                       : "code " + std::to_string(code) + " (no such value)";
        };
        o << ", trigger level " << percent(test.triggerLevelCode) << ", pre-trigger "
          << percent(test.preTriggerCode) << ".\n"
          << "  ASTOP " << test.astop << ", ATRIG " << test.atrig << ": " << pre
          << " words before the trigger";
        if (rate > 0) o << " (" << number(static_cast<double>(pre / nch) / rate * 1000, "%.6g") << " ms)";
        o << "; half step " << yesNo(test.halfStep) << ", memory filled " << yesNo(test.overflowed)
          << ", triggered " << yesNo(test.triggered) << " (channel 1 " << yesNo(test.ch1Trig)
          << ", channel 2 " << yesNo(test.ch2Trig) << "), stop pressed " << yesNo(test.stopPressed)
          << ".\n";
        if (!test.samplesFile.empty()) o << "  Words from " << test.samplesFile.string() << ".\n";
        for (int c = 0; c < 2; ++c) {
            const TestChannel& ch = test.channels[static_cast<std::size_t>(c)];
            o << "  Channel " << c + 1 << ": " << inputName(ch.selectCode);
            if (ch.selectCode != 0 && test.samplesFile.empty()) o << ": " << describeSignal(image, test, c);
            o << ".\n";
        }
    }
    const std::string faults = describeFaults(image.faults);
    o << "\nFaults: " << (faults.empty() ? "none.\n" : "\n" + faults);
    if (!image.overrides.empty()) {
        o << "Settings bytes set by hand:";
        for (const SettingsOverride& v : image.overrides) {
            char b[24];
            std::snprintf(b, sizeof b, " %d.%d = 0x%02X", v.line, v.byte, v.value);
            o << b;
        }
        o << "\n";
    }
    return o.str();
}

}  // namespace recsim
