// Port state, backend choice, register sequences and the port search.

#include "ScriptedBackend.h"
#include "support/TempDir.h"
#include "common/Error.h"
#include "common/Ini.h"
#include "link/DevPortBackend.h"
#include "link/LocateRecorder.h"
#include "link/Port.h"
#include "link/PortNumber.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace vantrel::link;
using linktest::Access;
using linktest::R;
using linktest::ScriptedBackend;
using linktest::W;

// A hardware opener that counts its calls and either fails or hands out a scripted backend.
struct FakeOpener {
    int calls = 0;
    std::optional<std::string> failure;  // set: throws PortAccessError with this text
    bool probeFails = false;             // the backend throws on its first read
    ScriptedBackend* made = nullptr;

    Port::Opener opener() {
        return [this](std::uint32_t) -> std::unique_ptr<PortBackend> {
            ++calls;
            if (failure) throw PortAccessError(*failure);
            auto backend = std::make_unique<ScriptedBackend>([this](std::uint32_t, std::uint64_t) -> std::uint8_t {
                if (probeFails) throw PortAccessError("probe: no answer");
                return 0x7F;
            });
            made = backend.get();
            return backend;
        };
    }
};

TEST(Port, ControlAndEcrWritesBeforeTheFirstBaseHaveNoEffect) {
    auto backend = std::make_unique<ScriptedBackend>();
    ScriptedBackend& b = *backend;
    Port port(std::move(backend));
    port.WriteControl(0x22);
    port.WriteEcr(0x34);
    EXPECT_TRUE(b.log().empty());
    EXPECT_FALSE(port.portSelected());

    ASSERT_TRUE(port.SetPortBase(888));
    port.WriteControl(0x22);
    port.WriteEcr(0x34);
    EXPECT_EQ(b.log(), (std::vector<Access>{W(890, 0x22), W(888 + 0x402, 0x34)}));
    EXPECT_EQ(port.access(), PortAccess::Injected);
    EXPECT_EQ(port.backendName(), "scripted");
}

TEST(Port, RegisterOffsetsFromTheBase) {
    auto backend = std::make_unique<ScriptedBackend>(
        [](std::uint32_t address, std::uint64_t) { return static_cast<std::uint8_t>(address & 0xFF); });
    ScriptedBackend& b = *backend;
    Port port(std::move(backend));
    port.SetPortBase(0x278);
    port.WriteData(0x11);
    port.ReadStatus();
    port.ReadEcr();
    port.ReadEcpFifo();
    port.ReadEppData();
    EXPECT_EQ(b.log(), (std::vector<Access>{W(0x278, 0x11), R(0x279, 0x79), R(0x67A, 0x7A), R(0x678, 0x78),
                                            R(0x27C, 0x7C)}));
}

TEST(Port, ModeSequencesWriteTheirRegistersInOrder) {
    struct Case {
        const char* name;
        void (Port::*sequence)();
        std::vector<Access> expected;
    };
    const std::uint32_t base = 888, control = base + 2, ecr = base + 0x402;
    const std::vector<Case> cases{
        {"EnterStandardMode", &Port::EnterStandardMode,
         {W(control, 0x22), W(control, 0x06), R(ecr, 0x7D), W(ecr, 0x1D), W(control, 0x01)}},
        {"IdlePort", &Port::IdlePort, {W(control, 0x03), W(control, 0x03), W(control, 0x00)}},
        {"IdleDataLines", &Port::IdleDataLines, {W(control, 0x00), W(base, 0x02), W(base, 0x02), W(base, 0x00)}},
    };
    for (const Case& c : cases) {
        auto backend = std::make_unique<ScriptedBackend>([](std::uint32_t, std::uint64_t) { return std::uint8_t{0x7D}; });
        ScriptedBackend& b = *backend;
        Port port(std::move(backend));
        port.SetPortBase(888);
        (port.*c.sequence)();
        EXPECT_EQ(b.log(), c.expected) << c.name;
    }
}

TEST(Port, DevPortIsTriedFirstAndIopermIsNotOpenedWhenItAnswers) {
    FakeOpener dev, io;
    Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
    EXPECT_TRUE(port.SetPortBase(888));
    EXPECT_EQ(port.access(), PortAccess::DevPort);
    EXPECT_EQ(io.calls, 0);
    ASSERT_NE(dev.made, nullptr);
    EXPECT_EQ(dev.made->log().front(), R(889, 0x7F));  // the probe reads the status register
}

TEST(Port, FallsBackToIopermWhenDevPortCannotBeOpenedOrDoesNotAnswer) {
    for (bool openFails : {true, false}) {
        FakeOpener dev, io;
        if (openFails) dev.failure = "/dev/port: Permission denied";
        else dev.probeFails = true;
        Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
        EXPECT_TRUE(port.SetPortBase(632));
        EXPECT_EQ(port.access(), PortAccess::IoPerm);
        ASSERT_NE(io.made, nullptr);
        port.WriteData(5);
        EXPECT_EQ(io.made->log().back(), W(632, 5));
    }
}

TEST(Port, EachBaseRepeatsTheProbe) {
    FakeOpener dev, io;
    Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
    port.SetPortBase(632);
    dev.failure = "/dev/port: gone";
    port.SetPortBase(888);
    EXPECT_EQ(dev.calls, 2);
    EXPECT_EQ(port.access(), PortAccess::IoPerm);
}

TEST(Port, NeitherHardwareBackendPermittedTellsThatAccessWasDenied) {
    FakeOpener dev, io;
    dev.failure = "/dev/port: Operation not permitted";
    io.failure = "ioperm: Operation not permitted";
    Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
    EXPECT_FALSE(port.SetPortBase(888));
    EXPECT_EQ(port.access(), PortAccess::None);
    const std::string& why = port.accessProblem();
    EXPECT_NE(why.find("denied"), std::string::npos) << why;
    EXPECT_NE(why.find("/dev/port: Operation not permitted"), std::string::npos) << why;
    EXPECT_NE(why.find("ioperm: Operation not permitted"), std::string::npos) << why;
    EXPECT_NE(why.find("CAP_SYS_RAWIO"), std::string::npos) << why;
    try {
        port.EnterStandardMode();
        FAIL() << "no access must throw";
    } catch (const PortAccessError& e) {
        EXPECT_EQ(std::string(e.what()), why);
    }
}

TEST(Port, NoHardwareIsTouchedBeforeABaseOrForAnAddressOutsideTheIoSpace) {
    FakeOpener dev, io;
    Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
    EXPECT_THROW(port.WriteData(0), PortAccessError);  // would otherwise hit I/O address 0
    EXPECT_THROW(port.ReadStatus(), PortAccessError);
    for (std::int32_t base : {-1, 0xFC00}) {
        EXPECT_FALSE(port.SetPortBase(base));
        EXPECT_THROW(port.ReadStatus(), PortAccessError);
    }
    EXPECT_EQ(dev.calls + io.calls, 0);
}

TEST(DevPortBackend, ReadsAndWritesAtTheFileOffsetOfTheAddress) {
    testsupport::TempDir dir;
    const auto file = dir / "ports";
    testsupport::writeFile(file, std::string(1100, '\0'));
    auto backend = DevPortBackend::open(file.string());
    backend->write(889, 0xA5);
    backend->write(0x402, 0x3C);
    EXPECT_EQ(backend->read(889), 0xA5);
    const std::string bytes = testsupport::readFile(file);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[889]), 0xA5);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0x402]), 0x3C);
    EXPECT_THROW(backend->read(5000), PortAccessError);  // past the end: no such port
    EXPECT_THROW(DevPortBackend::open((dir / "missing").string()), PortAccessError);
}

TEST(PortNumber, LiteralsAsTheSettingsFileHoldsThem) {
    const std::vector<std::pair<const char*, std::optional<std::int32_t>>> cases{
        {"888", 888},       {" 632 ", 632},      {"&H378", 888},      {"&h3bc", 956},
        {"&HFFFFFFFF", -1}, {"-5", -5},          {"&H", std::nullopt}, {"&H123456789", std::nullopt},
        {"0x378", std::nullopt}, {"37 8", std::nullopt}, {"", std::nullopt}, {"99999999999", std::nullopt},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(numberFromLiteral(text), expected) << '"' << text << '"';
}

class PortSearch : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedVantrelHome home{dir.path()};
    std::filesystem::path settings = dir / "vantrel.ini";

    void savePort(const std::string& text) { common::ini::writeValue(settings, "Settings", "PL2 Port", text); }
    std::optional<std::string> saved() const { return common::ini::readValue(settings, "Settings", "PL2 Port"); }
};

struct RecordingSink : KeySink {
    std::vector<std::pair<std::string, std::string>> keys;
    void write(std::string_view key, std::string_view value) override { keys.emplace_back(key, value); }
};

TEST_F(PortSearch, CandidateOrderFollowsTheSavedPort) {
    struct Case {
        std::optional<std::string> saved;
        std::vector<std::int32_t> order;
    };
    const std::vector<Case> cases{
        {"888", {888, 632, 956}},           {"1000", {1000, 632, 888, 956}}, {std::nullopt, {632, 888, 956}},
        {"&H378", {888, 632, 956}},         {"956", {956, 632, 888}},        {"not a port", {632, 888, 956}},
        {"632", {632, 888, 956}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(settings);
        if (c.saved) savePort(*c.saved);
        std::vector<std::int32_t> attempts;
        // Without a settings file in the options the shared settings file is used.
        const LocateResult r = LocateRecorder([&](std::int32_t port) {
            attempts.push_back(port);
            throw common::Error(3301, "HW module", "Timeout in iAnsPIC");
        });
        EXPECT_EQ(attempts, c.order) << c.saved.value_or("(none)");
        EXPECT_EQ(r.tried, c.order);
        EXPECT_EQ(r.outcome, LocateOutcome::NotFound);
        EXPECT_EQ(saved(), c.saved) << "a search that finds nothing saves nothing";
    }
}

TEST_F(PortSearch, FoundPortIsSavedInDecimalAndEachAttemptIsLogged) {
    savePort("&H3BC");
    RecordingSink status;
    int eventRuns = 0;
    LocateOptions options{settings, &status, [&] { ++eventRuns; }};
    const LocateResult r = LocateRecorder(
        [](std::int32_t port) {
            if (port != 888) throw std::runtime_error("nothing there");
        },
        options);
    EXPECT_EQ(r.outcome, LocateOutcome::Found);
    EXPECT_EQ(r.port, 888);
    EXPECT_EQ(r.tried, (std::vector<std::int32_t>{956, 632, 888}));
    EXPECT_EQ(saved(), "888");
    using Keys = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(status.keys, (Keys{{"PortLoc", "956"}, {"PortLoc", "632"}, {"PortLoc", "888"}}));
    EXPECT_EQ(eventRuns, 3);
}

TEST_F(PortSearch, TheErrorEndingAnAttemptDecidesTheOutcome) {
    struct Case {
        long number;
        LocateOutcome outcome;
        std::size_t attempts;
    };
    const std::vector<Case> cases{
        {3343, LocateOutcome::Cancelled, 1},
        {2049, LocateOutcome::CableFault, 1},
        {3302, LocateOutcome::NotFound, 3},
        {3341, LocateOutcome::NotFound, 3},
    };
    for (const Case& c : cases) {
        const LocateResult r = LocateRecorder(
            [&](std::int32_t) { throw common::Error(c.number, "test", "stop"); }, LocateOptions{settings, nullptr, {}});
        EXPECT_EQ(r.outcome, c.outcome) << c.number;
        EXPECT_EQ(r.tried.size(), c.attempts) << c.number;
        EXPECT_FALSE(saved()) << c.number;
    }
}

TEST_F(PortSearch, PortsThatCannotBeReachedAtAllAreReportedAsDeniedAccess) {
    FakeOpener dev, io;
    dev.failure = "/dev/port: Operation not permitted";
    io.failure = "ioperm: Operation not permitted";
    Port port(Port::HardwareOpeners{dev.opener(), io.opener()});
    const LocateResult r = LocateRecorder(
        [&](std::int32_t p) {
            port.SetPortBase(p);
            port.EnterStandardMode();
        },
        LocateOptions{settings, nullptr, {}});
    EXPECT_EQ(r.outcome, LocateOutcome::NoAccess);
    EXPECT_EQ(r.tried.size(), 3u);
    EXPECT_NE(r.accessProblem.find("denied"), std::string::npos) << r.accessProblem;

    // One reachable port that does not answer makes it a plain "not found".
    int n = 0;
    const LocateResult mixed = LocateRecorder(
        [&](std::int32_t) {
            if (++n == 2) throw common::Error(3301, "HW module", "Timeout in iAnsPIC");
            throw PortAccessError("denied");
        },
        LocateOptions{settings, nullptr, {}});
    EXPECT_EQ(mixed.outcome, LocateOutcome::NotFound);
}

}  // namespace
