#include "recsim/CorvaneSettings.h"

#include "recsim/Calibration.h"

namespace recsim {
namespace {

// The reader's slot size: it always divides the full-size memory.
std::int64_t fullSlotWords(int slots) { return static_cast<std::int64_t>(kFullMemoryWords) / slots; }

int log2Slots(int slots) {
    int n = 0;
    while ((1 << n) < slots) ++n;
    return n;
}

void encodeDirectory(SettingsMemory& m, const RecorderImage& image) {
    m.putComposite(kDirectoryLine, 3, 2, 1, 0, image.measurementCounter);
    m.setByte(kDirectoryLine, 4, static_cast<std::uint8_t>(log2Slots(image.slots)));
    m.setByte(kDirectoryLine, 5, static_cast<std::uint8_t>(image.freeSlots()));
}

void encodeCalibration(SettingsMemory& m, const InputCalibration& c, int input) {
    const int line = kCalibrationLine[static_cast<std::size_t>(input)];
    m.putBcdUnsigned(line, 18, 16, storedRsrf(c));
    m.putBcdUnsigned(line, 20, 19, static_cast<std::uint64_t>(c.rp));
    for (int g = 0; g < 5; ++g) {
        const int base = 21 + 7 * g;
        m.putBcdSigned(line, base + 2, base, storedVfs(c, g));
        m.putBcdUnsigned(line, base + 6, base + 3, storedKs(c, g));
    }
    const int table = kVtTableLine[static_cast<std::size_t>(input)];
    for (int e = 0; e < kVtEntries; ++e) {
        const int j = e % 21;
        m.putBcdUnsigned(table + e / 21, 3 * j + 2, 3 * j, storedVtEntry(c, kVtFirstDac + 4 * e));
    }
}

void encodeTest(SettingsMemory& m, const RecorderImage& image, int t,
                const std::array<std::array<std::uint16_t, 16>, 2>& initial) {
    const StoredTest& test = image.tests[static_cast<std::size_t>(t - 1)];
    const int h = testHeaderLine(t);
    const std::uint32_t code = triggerCode(test, t, image.slots);
    m.setByte(h, 0, static_cast<std::uint8_t>(code));
    m.setByte(h, 1, static_cast<std::uint8_t>(code >> 8));
    m.setByte(h, 2, static_cast<std::uint8_t>(code >> 16));
    m.setByte(h, 3, static_cast<std::uint8_t>(((code >> 24) & 0x0F) | (test.ch1Trig ? 0x10 : 0) |
                                              (test.ch2Trig ? 0x20 : 0)));
    const std::uint32_t stop = stopGroup(test, t, image.slots);
    m.setByte(h, 4, static_cast<std::uint8_t>(stop));
    m.setByte(h, 5, static_cast<std::uint8_t>(stop >> 8));
    m.setByte(h, 6, static_cast<std::uint8_t>(((stop >> 16) & 0x0F) | (test.stopPressed ? 0 : 0x10)));
    m.setByte(h, 16, static_cast<std::uint8_t>(test.triggerLevelCode & 0x0F));
    m.setByte(h, 17, static_cast<std::uint8_t>(test.preTriggerCode & 0x0F));
    m.setByte(h, 18, static_cast<std::uint8_t>(test.sampleSpeedCode & 0x0F));
    m.setByte(h, 19, static_cast<std::uint8_t>((test.channels[0].selectCode & 0x07) |
                                               ((test.channels[1].selectCode & 0x07) << 4)));
    m.putWordLE(h, 10, static_cast<std::uint16_t>(test.channels[0].dacVt & 0x3FFF));
    m.putWordLE(h, 11, static_cast<std::uint16_t>(test.channels[1].dacVt & 0x3FFF));

    const int vs = initialSamplesLine(t);
    for (int i = 0; i < 32; ++i)
        m.putWordBE(vs, i, initial[static_cast<std::size_t>(i % 2)][static_cast<std::size_t>(i / 2)]);
}

}  // namespace

std::uint32_t triggerCode(const StoredTest& test, int t, int slots) {
    const std::int64_t slotWords = fullSlotWords(slots);
    std::int64_t address =
        (t - 1) * slotWords + static_cast<std::int64_t>(test.atrig) - (test.halfStep ? 32 : 0);
    if (address < 0) address += slotWords;
    return (static_cast<std::uint32_t>(address) & 0x1FFFFFF) | (test.halfStep ? 1u << 25 : 0) |
           (test.overflowed ? 1u << 26 : 0) | (test.triggered ? 1u << 27 : 0);
}

std::uint32_t stopGroup(const StoredTest& test, int t, int slots) {
    const std::int64_t slotGroups = fullSlotWords(slots) / 32;
    // The reader takes ((stop + 1) AND 0xFFFFF) + half groups.
    std::int64_t group = (t - 1) * slotGroups + test.astop / 32 - (test.halfStep ? 1 : 0);
    if (group < 0) group += slotGroups;
    return static_cast<std::uint32_t>(group - 1) & 0xFFFFF;
}

SettingsMemory encodeCorvaneSettings(
    const RecorderImage& image,
    const std::vector<std::array<std::array<std::uint16_t, 16>, 2>>& initialSamples) {
    SettingsMemory m;
    encodeDirectory(m, image);
    m.putBcdUnsigned(kSerialLine, 18, 16, image.serialNumber);
    for (int input = 0; input < 2; ++input)
        encodeCalibration(m, image.inputs[static_cast<std::size_t>(input)], input);
    for (int t = 1; t <= static_cast<int>(image.tests.size()); ++t)
        encodeTest(m, image, t, initialSamples.at(static_cast<std::size_t>(t - 1)));
    return m;
}

}  // namespace recsim
