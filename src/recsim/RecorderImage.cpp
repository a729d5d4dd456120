#include "recsim/RecorderImage.h"

#include "recsim/Calibration.h"
#include "recsim/ImageError.h"
#include "recsim/SettingsMemory.h"

#include <cmath>
#include <string>

namespace recsim {
namespace {

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw ImageError(where + ": " + what);
}

void requireFinite(const std::string& where, const char* name, double v) {
    if (!std::isfinite(v)) fail(where, std::string(name) + " is not a finite number");
}

void validateInput(const InputCalibration& c, int input) {
    const std::string where = "input " + std::to_string(input);
    requireFinite(where, "RSRF", c.rsrfOhms);
    if (c.rsrfOhms < 0 || storedRsrf(c) > bcdLimit(6))
        fail(where, "RSRF must lie between 0 and 999.999 ohms");
    if (c.rp < 0 || c.rp > 9999) fail(where, "RP must lie between 0 and 9999");
    for (int g = 0; g < 5; ++g) {
        const std::string group = g == 0 ? "1" : std::to_string(g + 2);
        requireFinite(where, "VFS", c.vfsVolts[static_cast<std::size_t>(g)]);
        requireFinite(where, "KS", c.ks[static_cast<std::size_t>(g)]);
        if (std::llabs(storedVfs(c, g)) > static_cast<long long>(bcdLimit(5)))
            fail(where, "VFS" + group + " must lie between -0.099999 and 0.099999 V");
        if (c.ks[static_cast<std::size_t>(g)] < 0 || storedKs(c, g) > bcdLimit(8))
            fail(where, "KS" + group + " must lie between 0 and 99.999999");
    }
    requireFinite(where, "VTGain", c.vtGainVoltsPerCode);
    requireFinite(where, "VTOffset", c.vtOffsetVolts);
    for (int e = 0; e < kVtEntries; ++e) {
        const int dac = kVtFirstDac + 4 * e;
        const double v = c.vtOffsetVolts + c.vtGainVoltsPerCode * dac;
        if (v < 0 || storedVtEntry(c, dac) > bcdLimit(6))
            fail(where, "the threshold table (VTOffset + VTGain * DAC) must stay between 0 and "
                        "9.99999 V for DAC values 1576 to 4092; at " + std::to_string(dac) +
                            " it is " + std::to_string(v) + " V");
    }
}

void validateSignal(const std::string& where, const TestChannel& ch) {
    const ChannelSignal& s = ch.signal;
    requireFinite(where, "Velocity", s.velocityMps);
    requireFinite(where, "ProbeLength", s.probeLengthM);
    requireFinite(where, "UnitResistance", s.unitResistanceOhmPerM);
    requireFinite(where, "Arrival", s.arrivalMs);
    requireFinite(where, "Noise", s.noiseVolts);
    requireFinite(where, "Baseline", s.baselineVolts);
    requireFinite(where, "Peak", s.peakVolts);
    requireFinite(where, "Rise", s.riseUs);
    requireFinite(where, "Decay", s.decayUs);
    requireFinite(where, "Level", s.levelVolts);
    if (s.noiseVolts < 0) fail(where, "Noise must not be negative");
    switch (s.kind) {
    case SignalKind::Vod:
        if (ch.selectCode != 1) fail(where, "a VOD signal needs Input = VOD");
        if (!(s.velocityMps > 0 && s.velocityMps <= 20000))
            fail(where, "Velocity must lie above 0 and at most 20000 m/s");
        if (!(s.probeLengthM > 0 && s.probeLengthM <= 10000))
            fail(where, "ProbeLength must lie above 0 and at most 10000 m");
        if (!(s.unitResistanceOhmPerM > 0 && s.unitResistanceOhmPerM <= 100000))
            fail(where, "UnitResistance must lie above 0 and at most 100000 ohm/m");
        break;
    case SignalKind::Pulse:
        if (s.riseUs < 0) fail(where, "Rise must not be negative");
        if (!(s.decayUs > 0)) fail(where, "Decay must be above 0");
        break;
    default:
        break;
    }
}

void validateTest(const RecorderImage& image, const StoredTest& t, int n) {
    const std::string where = "test " + std::to_string(n);
    const std::uint64_t slotWords = image.slotWords();
    auto code = [&](const char* name, int v) {
        if (v < 0 || v > 15) fail(where, std::string(name) + " must lie between 0 and 15");
    };
    code("SampleSpeedCode", t.sampleSpeedCode);
    code("TriggerLevelCode", t.triggerLevelCode);
    code("PreTriggerCode", t.preTriggerCode);
    if (t.atrig >= slotWords)
        fail(where, "ATRIG " + std::to_string(t.atrig) + " lies outside the slot of " +
                        std::to_string(slotWords) + " words");
    if (t.astop >= slotWords)
        fail(where, "ASTOP " + std::to_string(t.astop) + " lies outside the slot of " +
                        std::to_string(slotWords) + " words");
    if (t.astop % 32 != 0)
        fail(where, "ASTOP " + std::to_string(t.astop) + " is not a multiple of 32");
    for (int c = 0; c < 2; ++c) {
        const TestChannel& ch = t.channels[static_cast<std::size_t>(c)];
        const std::string cw = where + " channel " + std::to_string(c + 1);
        if (ch.selectCode < 0 || ch.selectCode > 7) fail(cw, "Input must be a select code 0 to 7");
        if (ch.dacVt < 0 || ch.dacVt > 0x3FFF) fail(cw, "DacVT must lie between 0 and 16383");
        if (ch.initialSamples)
            for (int v : *ch.initialSamples)
                if (v < 0 || v > 0x3FFF) fail(cw, "VS codes must lie between 0 and 16383");
        validateSignal(cw, ch);
    }
}

}  // namespace

void validateImage(const RecorderImage& image) {
    const std::string where = "recorder";
    if (image.port == 0 || image.port > 0xFFFF - 0x402)
        fail(where, "Port " + std::to_string(image.port) + " is not an I/O address of a parallel port");
    if (image.serialNumber > bcdLimit(6)) fail(where, "SerialNumber must lie between 0 and 999999");
    if (image.slots != 1 && image.slots != 2 && image.slots != 4 && image.slots != 8 && image.slots != 16)
        fail(where, "Slots must be 1, 2, 4, 8 or 16, not " + std::to_string(image.slots));
    if (image.memoryWords < kMinimumMemoryWords || image.memoryWords > kFullMemoryWords ||
        image.memoryWords % kMinimumMemoryWords != 0)
        fail(where, "MemoryWords must be a multiple of 6144 between 6144 and 25165824, not " +
                        std::to_string(image.memoryWords));
    if (static_cast<int>(image.tests.size()) > image.slots)
        fail(where, std::to_string(image.tests.size()) + " tests do not fit " +
                        std::to_string(image.slots) + " slots");
    for (int i = 0; i < 2; ++i) validateInput(image.inputs[static_cast<std::size_t>(i)], i + 1);
    for (std::size_t t = 0; t < image.tests.size(); ++t)
        validateTest(image, image.tests[t], static_cast<int>(t + 1));
    for (const SettingsOverride& o : image.overrides)
        if (o.line < 0 || o.line >= kSettingsLines || o.byte < 0 || o.byte >= kLineBytes)
            fail("settings memory", "byte " + std::to_string(o.line) + "." + std::to_string(o.byte) +
                                        " does not exist (lines 0 to 256, bytes 0 to 63)");
    const Faults& f = image.faults;
    if (f.stuck.kind == StuckLine::Kind::Status && (f.stuck.bit < 3 || f.stuck.bit > 7))
        fail("faults", "a stuck status line must be bit 3 to 7");
    if (f.stuck.kind == StuckLine::Kind::Data && (f.stuck.bit < 0 || f.stuck.bit > 2))
        fail("faults", "a stuck data line must be bit 0 to 2");
    if (f.ecpBytesPerAccess > 16) fail("faults", "EcpBytesPerAccess must lie between 0 and 16");
}

}  // namespace recsim
