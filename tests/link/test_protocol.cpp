// The command channel's handshakes, bit and byte order, the settings-line cache and decoders.

#include "FakeController.h"
#include "ScriptedBackend.h"
#include "common/Error.h"
#include "link/CommandChannel.h"
#include "link/Directory.h"
#include "link/LineDecoders.h"
#include "link/SettingsLines.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vantrel::link;
using linktest::Access;
using linktest::FakeController;
using linktest::R;
using linktest::ScriptedBackend;
using linktest::SentCommand;
using linktest::W;

constexpr std::uint32_t kBase = 888;
constexpr std::uint32_t kStatus = kBase + 1;

// A port on a scripted backend whose status register answers status(n) on its n-th read.
struct ScriptedPort {
    explicit ScriptedPort(std::function<std::uint8_t(std::uint64_t)> status) {
        auto b = std::make_unique<ScriptedBackend>(
            [status](std::uint32_t address, std::uint64_t n) -> std::uint8_t {
                return address == kStatus ? status(n) : std::uint8_t{0xFF};
            });
        backend = b.get();
        port = std::make_unique<Port>(std::move(b));
        port->SetPortBase(kBase);
        channel = std::make_unique<CommandChannel>(*port);
    }
    ScriptedBackend* backend;
    std::unique_ptr<Port> port;
    std::unique_ptr<CommandChannel> channel;
};

void expectError(const std::function<void()>& f, long number, const std::string& source, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "expected error " << number;
    } catch (const common::Error& e) {
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(e.source(), source);
        EXPECT_EQ(e.description(), text);
    }
}

TEST(WaitStatus, NeedsFiveConsecutiveMatches) {
    struct Case {
        const char* name;
        std::string reads;  // 'm' match, '-' miss; the script repeats its last read
        std::uint8_t mask;
        int level;
        std::uint64_t readsNeeded;
    };
    const std::vector<Case> cases{
        {"five at once", "mmmmm", 8, 1, 5},
        {"flicker after four restarts the run", "mmmm-mmmmm", 8, 1, 10},
        {"two flickers", "mmm-mmmm-mmmmm", 16, 1, 14},
        {"late line", "---mmmmm", 8, 0, 8},
    };
    for (const Case& c : cases) {
        const std::uint8_t match = c.level ? c.mask : 0;
        const std::uint8_t miss = static_cast<std::uint8_t>(match ^ c.mask);
        ScriptedPort p([&](std::uint64_t n) {
            const char k = n < c.reads.size() ? c.reads[n] : c.reads.back();
            // the other lines carry noise that must not matter
            return static_cast<std::uint8_t>((k == 'm' ? match : miss) | (~c.mask & 0xA7));
        });
        EXPECT_EQ(p.channel->WaitStatus(c.mask, c.level), 0) << c.name;
        EXPECT_EQ(p.backend->reads(kStatus), c.readsNeeded) << c.name;
    }
}

TEST(WaitStatus, GivesUpAfter200000Reads) {
    // 199995 misses leave room for the five matches within 200000 reads.
    ScriptedPort late([](std::uint64_t n) { return std::uint8_t(n < 199995 ? 0x00 : 0x08); });
    late.backend->setRecording(false);
    EXPECT_EQ(late.channel->WaitStatus(8, 1), 0);
    EXPECT_EQ(late.backend->reads(kStatus), 200000u);

    // One miss more: the 200000th read is only the fourth match; the next attempt raises 3301
    // without reading again.
    ScriptedPort tooLate([](std::uint64_t n) { return std::uint8_t(n < 199996 ? 0x00 : 0x08); });
    tooLate.backend->setRecording(false);
    expectError([&] { tooLate.channel->WaitStatus(8, 1); }, 3301, "HW module", "Timeout in iAnsPIC");
    EXPECT_EQ(tooLate.backend->reads(kStatus), 200000u);
}

TEST(ReadGateArray5, TakesTheFirstRepeatedValueWithinEightRereads) {
    struct Case {
        std::vector<std::uint8_t> reads;
        int value;  // -1: error 3302
        std::uint64_t readsMade;
    };
    const std::vector<Case> cases{
        {{0xF8, 0xF8}, 0x1F, 2},
        {{0x10, 0x18, 0x18}, 0x03, 3},
        {{1, 2, 3, 4, 5, 6, 7, 0x28, 0x28}, 0x05, 9},  // equal pair on the 8th re-read
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 9}, -1, 9},          // 8 re-reads without a pair
    };
    for (const Case& c : cases) {
        ScriptedPort p([&](std::uint64_t n) { return c.reads.at(n); });
        if (c.value < 0)
            expectError([&] { p.channel->ReadGateArray5(); }, 3302, "HW module", "Timeout in iAnsFPGA");
        else
            EXPECT_EQ(p.channel->ReadGateArray5(), c.value);
        EXPECT_EQ(p.backend->reads(kStatus), c.readsMade);
    }
}

// Status reads for one bit of ReceiveBit: 5 x acknowledge, the bit read, 5 x acknowledge low.
std::vector<std::uint8_t> replyBitReads(int bit) {
    std::vector<std::uint8_t> v(5, 0x08);
    v.push_back(static_cast<std::uint8_t>(0x08 | (bit << 4)));
    v.insert(v.end(), 5, 0x10 * static_cast<std::uint8_t>(bit));  // reply line may stay, ack low
    return v;
}

TEST(ReceiveByte, FirstBitReceivedIsBitZero) {
    struct Case {
        std::vector<int> bits;
        int value;
    };
    const std::vector<Case> cases{
        {{1, 0, 0, 0, 0, 0, 0, 0}, 1},
        {{0, 0, 0, 0, 0, 0, 0, 1}, 128},
        {{1, 0, 1, 0, 0, 1, 0, 1}, 0xA5},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> reads;
        for (int b : c.bits) {
            const auto r = replyBitReads(b);
            reads.insert(reads.end(), r.begin(), r.end());
        }
        ScriptedPort p([&](std::uint64_t n) { return reads.at(n); });
        EXPECT_EQ(p.channel->ReceiveByte(), c.value);
        // Every bit: clock low, clock high, clock low with the framing line held.
        std::vector<Access> expected;
        for (std::size_t i = 0; i < 8; ++i)
            for (int d : {4, 5, 4}) expected.push_back(W(kBase, static_cast<std::uint8_t>(d)));
        EXPECT_EQ(p.backend->writes(), expected);
    }
}

TEST(SendCode, BitsLeaveLeastSignificantFirstOnDataBitOne) {
    ScriptedPort p([](std::uint64_t n) { return std::uint8_t((n / 5) % 2 ? 0x00 : 0x08); });
    p.channel->SendCode(0b01101);  // 13
    std::vector<Access> expected;
    for (int bit : {1, 0, 1, 1, 0}) {
        const std::uint8_t v = bit ? 2 : 0;
        for (std::uint8_t d : {std::uint8_t(v + 4), std::uint8_t(v + 5), std::uint8_t(v + 4)})
            expected.push_back(W(kBase, d));
    }
    EXPECT_EQ(p.backend->writes(), expected);
}

// Records every access and passes it on to a fake controller.
struct Tap : ScriptedBackend {
    vantrel::link::PortBackend* inner = nullptr;
    std::uint8_t read(std::uint32_t a) override {
        const std::uint8_t v = inner ? inner->read(a) : std::uint8_t{0x00};
        ScriptedBackend::read(a);
        return v;
    }
    void write(std::uint32_t a, std::uint8_t v) override {
        ScriptedBackend::write(a, v);
        if (inner) inner->write(a, v);
    }
};

TEST(CommandFramingTest, BeginAndEndWriteTheirSequences) {
    struct Case {
        CommandFraming framing;
        std::vector<Access> begin;
        std::vector<Access> end;
    };
    const std::uint32_t control = kBase + 2;
    const std::vector<Case> cases{
        {CommandFraming::MultiChannel,
         {W(control, 0x05), W(kBase, 0x02), W(kBase, 0x06)},
         {W(kBase, 0x06), W(kBase, 0x02), W(kBase, 0x02)}},
        // The smaller recorder's framing waits for acknowledge low only (a quiet status).
        {CommandFraming::Smaller,
         {W(control, 0x05), W(kBase, 0x02), W(kBase, 0x06)},
         {W(kBase, 0x04), W(kBase, 0x00)}},
    };
    for (const Case& c : cases) {
        FakeController fake(kBase);
        auto tap = std::make_unique<Tap>();
        if (c.framing == CommandFraming::MultiChannel) tap->inner = &fake;
        Tap& t = *tap;
        Port port(std::move(tap));
        port.SetPortBase(kBase);
        CommandChannel channel(port, c.framing);
        EXPECT_EQ(channel.BeginCommand(), 0);
        EXPECT_EQ(t.writes(), c.begin);
        t.clearLog();
        EXPECT_EQ(channel.EndCommand(), 0);
        EXPECT_EQ(t.writes(), c.end);
    }
}

class Lines : public ::testing::Test {
protected:
    Lines() {
        auto f = std::make_unique<FakeController>(kBase);
        fake = f.get();
        port = std::make_unique<Port>(std::move(f));
        port->SetPortBase(kBase);
        channel = std::make_unique<CommandChannel>(*port);
        lines = std::make_unique<SettingsLines>(*channel);
    }
    FakeController::Line counting(std::uint8_t first) {
        FakeController::Line l{};
        for (std::size_t i = 0; i < l.size(); ++i) l[i] = static_cast<std::uint8_t>(first + i);
        return l;
    }
    FakeController* fake;
    std::unique_ptr<Port> port;
    std::unique_ptr<CommandChannel> channel;
    std::unique_ptr<SettingsLines> lines;
};

TEST_F(Lines, Line256IsAddressedWithHighByteOne) {
    fake->setLine(256, counting(0xC0));
    const std::string& text = lines->ReadLine(256);
    std::vector<SentCommand> expected{{8, {126, 0}}, {8, {127, 1}}, {11, {}}};
    for (int i = 0; i < 64; ++i) expected.push_back({9, {192 + i}});
    EXPECT_EQ(fake->commands(), expected);
    EXPECT_EQ(text.substr(0, 13), "P100 C0 C1 C2");
    EXPECT_EQ(text.substr(text.size() - 6), " FE FF");
    EXPECT_EQ(text.size(), 196u);
    EXPECT_EQ(lines->LineByte(256, 63), 0xFF);
}

TEST_F(Lines, TextFormPlacesByteKAtColumnSixPlusThreeK) {
    fake->setLine(2, counting(0x0A));
    const std::string& text = lines->ReadLine(2);
    EXPECT_EQ(text.substr(0, 5), "P002 ");
    EXPECT_EQ(text.size(), 196u);
    for (int k : {0, 1, 17, 63}) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", 0x0A + k);
        EXPECT_EQ(text.substr(static_cast<std::size_t>(5 + 3 * k), 2), hex) << k;  // 1-based column 6 + 3k
    }
}

TEST_F(Lines, EachLineCrossesTheCableOncePerCacheLife) {
    fake->setLine(14, counting(1));
    lines->ReadLine(14);
    const std::size_t first = fake->commands().size();
    EXPECT_EQ(lines->LineByte(14, 5), 6);
    EXPECT_EQ(lines->BcdUnsigned(14, 3, 2), 304);
    EXPECT_EQ(fake->commands().size(), first);

    lines->ClearLineCache();
    EXPECT_FALSE(lines->loaded(14));
    fake->setLine(14, counting(0x40));  // another recorder on the next port
    EXPECT_EQ(lines->LineByte(14, 0), 0x40);
    EXPECT_EQ(fake->commands().size(), 2 * first);
}

TEST_F(Lines, LineNumbersOutsideTheCacheAreRefusedWithoutTraffic) {
    for (int n : {-1, 257, 0x105}) EXPECT_THROW(lines->ReadLine(n), std::out_of_range) << n;
    EXPECT_TRUE(fake->commands().empty());
    EXPECT_THROW(lines->LineByte(3, 64), std::out_of_range);
}

TEST_F(Lines, BitsAndFields) {
    FakeController::Line l{};
    l[7] = 0b1011'0110;
    fake->setLine(40, l);
    EXPECT_TRUE(lines->LineBit(40, 7, 1));
    EXPECT_FALSE(lines->LineBit(40, 7, 0));
    EXPECT_EQ(lines->LineField2(40, 7, 5), 0b01);
    EXPECT_EQ(lines->LineField3(40, 7, 1), 0b011);
    EXPECT_EQ(lines->LineField4(40, 7, 4), 0b1011);
    EXPECT_FALSE(lines->fieldRangeError());
    EXPECT_FALSE(lines->LineBit(40, 7, 8));
    EXPECT_TRUE(lines->fieldRangeError());
    lines->clearFieldRangeError();
    EXPECT_EQ(lines->LineField3(40, 7, 6), 0b10);  // bit 8 counts as 0 and flags the request
    EXPECT_TRUE(lines->fieldRangeError());
}

TEST(LineDecoders, NumbersFromBytes) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::uint8_t>> bytes;  // (index, value)
        std::function<std::int64_t(const LineBytes&)> decode;
        std::int64_t expected;
    };
    const std::vector<Case> cases{
        {"BcdSigned negative", {{0, 0xC1}, {1, 0x23}, {2, 0x45}}, [](const LineBytes& l) { return bcdSignedOf(l, 2, 0); }, -12345},
        {"BcdSigned positive", {{0, 0x01}, {1, 0x23}, {2, 0x45}}, [](const LineBytes& l) { return bcdSignedOf(l, 2, 0); }, 12345},
        {"BcdSigned high nibble other than C", {{0, 0x81}, {1, 0x23}}, [](const LineBytes& l) { return bcdSignedOf(l, 1, 0); }, 123},
        {"BcdUnsigned", {{16, 0x12}, {17, 0x07}, {18, 0x99}}, [](const LineBytes& l) { return bcdUnsignedOf(l, 18, 16); }, 120799},
        {"Composite little-endian directory counter", {{0, 0x40}, {1, 0x42}, {2, 0x0F}, {3, 0x00}},
         [](const LineBytes& l) { return compositeOf(l, 3, 2, 1, 0); }, 1000000},
        {"Composite top bit set is negative", {{9, 0xFF}, {10, 0xFF}, {11, 0xFF}, {12, 0xFE}},
         [](const LineBytes& l) { return compositeOf(l, 9, 10, 11, 12); }, -2},
        {"Composite of three bytes", {{9, 0x01}, {10, 0x02}, {11, 0x03}},
         [](const LineBytes& l) { return compositeOf(l, 9, 10, 11); }, 0x010203},
    };
    for (const Case& c : cases) {
        LineBytes line{};
        for (auto [k, v] : c.bytes) line[static_cast<std::size_t>(k)] = v;
        EXPECT_EQ(c.decode(line), c.expected) << c.name;
    }
}

TEST_F(Lines, WordsInBothByteOrders) {
    FakeController::Line l{};
    l[6] = 0x12;
    l[7] = 0x34;
    fake->setLine(33, l);
    EXPECT_EQ(lines->LineWordBE(33, 3), 0x1234);
    EXPECT_EQ(lines->LineWordLE(33, 3), 0x3412);
}

struct Sink : KeySink {
    std::vector<std::pair<std::string, std::string>> keys;
    void write(std::string_view k, std::string_view v) override { keys.emplace_back(k, v); }
};

TEST_F(Lines, DirectoryCountsTestsAndLogsItsNumbers) {
    FakeController::Line l{};
    // counter 1000123 (little-endian), 2^4 slots, 13 free
    const std::uint32_t counter = 1000123;
    for (int i = 0; i < 4; ++i) l[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(counter >> (8 * i));
    l[4] = 4;
    l[5] = 13;
    fake->setLine(2, l);
    Sink status;
    const Directory d = ReadDirectory(*lines, &status);
    EXPECT_EQ(d.counter, 123);
    EXPECT_EQ(d.slots, 16);
    EXPECT_EQ(d.freeSlots, 13);
    EXPECT_EQ(d.storedTests(), 3);
    EXPECT_EQ(d.measurementNumber(1), 123 + 13 - 16 + 1);
    using Keys = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(status.keys, (Keys{{"Mes No", "123"}, {"Total Tests", "16"}, {"Rem Tests", "13"}}));
}

TEST_F(Lines, ADirectoryNoRecorderCanHoldIsRefused) {
    for (auto [log2Slots, free] : std::vector<std::pair<int, int>>{{5, 0}, {255, 0}, {2, 5}}) {
        lines->ClearLineCache();
        FakeController::Line l{};
        l[4] = static_cast<std::uint8_t>(log2Slots);
        l[5] = static_cast<std::uint8_t>(free);
        fake->setLine(2, l);
        Sink status;
        expectError([&] { ReadDirectory(*lines, &status); }, 3341, "Pln download", "PellionNotFound Error 44");
        EXPECT_TRUE(status.keys.empty());
    }
}

}  // namespace
