#include "recsim/DefaultImage.h"

#include <algorithm>
#include <cmath>

namespace recsim {
namespace {

InputCalibration calibration(int input) {
    InputCalibration c;
    c.rsrfOhms = input == 0 ? 100.0 : 99.874;
    c.rp = input == 0 ? 47 : 51;
    c.vfsVolts = input == 0 ? std::array<double, 5>{0.001234, -0.000512, 0.000321, -0.000845, 0.00015}
                            : std::array<double, 5>{-0.000987, 0.000444, -0.000213, 0.000678, -0.000099};
    c.ks = input == 0 ? std::array<double, 5>{0.998765, 1.001234, 0.999012, 1.000456, 0.99987}
                      : std::array<double, 5>{1.000321, 0.998877, 1.000654, 0.999345, 1.000111};
    c.vtGainVoltsPerCode = 5.0 / 4096.0;
    c.vtOffsetVolts = input == 0 ? 0.0021 : -0.0013;
    return c;
}

std::uint32_t multipleOf32Below(double x) {
    return static_cast<std::uint32_t>(std::floor(x / 32.0)) * 32;
}

StoredTest makeTest(const RecorderImage& image, int i) {
    static const int speedCodes[] = {9, 10, 8, 11};  // 1 MHz, 2.5 MHz, 500 kHz, 5 MHz
    StoredTest t;
    t.sampleSpeedCode = speedCodes[(i - 1) % 4];
    t.triggerLevelCode = 2;  // 10 %
    t.preTriggerCode = 3;    // 20 %
    const double slotWords = static_cast<double>(image.slotWords());
    // The stop lies early enough that the trigger follows it in memory: a reader that
    // assumes the full memory size then finds the same pre-trigger length on a reduced one.
    const double phase = std::fmod(0.37 + 0.618034 * (i - 1), 0.78);
    t.astop = multipleOf32Below(phase * slotWords);
    const std::uint32_t pre = multipleOf32Below(0.2 * slotWords);
    t.atrig = static_cast<std::uint32_t>((t.astop + pre) % image.slotWords());
    t.overflowed = true;
    t.triggered = true;
    t.ch1Trig = true;

    TestChannel& vod = t.channels[0];
    vod.selectCode = 1;
    vod.dacVt = 3686;
    vod.signal.kind = SignalKind::Vod;
    vod.signal.velocityMps = std::max(2000.0, 6500.0 - 450.0 * (i - 1));
    vod.signal.probeLengthM = 6.0;
    vod.signal.unitResistanceOhmPerM = 10.8;
    vod.signal.arrivalMs = 0.0;
    vod.signal.noiseVolts = 0.002;

    if (i % 3 != 0) {
        TestChannel& p = t.channels[1];
        p.selectCode = 3;  // 0 to 10 V
        p.dacVt = 3686;
        p.signal.kind = SignalKind::Pulse;
        p.signal.baselineVolts = 0.05;
        p.signal.peakVolts = std::max(1.0, 6.0 - 0.5 * (i - 1));
        p.signal.arrivalMs = 0.35;
        p.signal.riseUs = 5.0;
        p.signal.decayUs = 80.0;
        p.signal.noiseVolts = 0.003;
    }
    return t;
}

}  // namespace

RecorderImage makeImage(const ImageOptions& options) {
    RecorderImage image;
    image.port = options.port;
    image.serialNumber = options.serialNumber;
    image.slots = options.slots;
    image.memoryWords = options.memoryWords;
    image.seed = options.seed;
    image.measurementCounter = options.measurementCounter != 0
                                   ? options.measurementCounter
                                   : 100 + static_cast<std::uint32_t>(std::max(0, options.tests));
    image.inputs = {calibration(0), calibration(1)};
    validateImage(image);  // slots and memory first: the tests are laid out in them
    for (int i = 1; i <= options.tests; ++i) image.tests.push_back(makeTest(image, i));
    validateImage(image);
    return image;
}

}  // namespace recsim
