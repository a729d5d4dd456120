// recsim: makes and describes recorder images for the recorder emulator, and writes or checks
// the data file that a correct download of a stored test gives.
//
//   recsim make IMAGE [--tests N] [--slots S] [--memory-words W] [--port P] [--serial N]
//                     [--seed N] [--counter N] [--force]
//   recsim show IMAGE
//   recsim expect IMAGE TEST DATAFILE
//   recsim check IMAGE TEST DATAFILE
//
// Exit codes: 0 done, 1 error (unusable image, file trouble, a data file that differs), 2 usage.

#include "common/Error.h"
#include "recsim/DefaultImage.h"
#include "recsim/ExpectedData.h"
#include "recsim/ImageDescription.h"
#include "recsim/ImageError.h"
#include "recsim/RecorderImageFile.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

const char* const kImageFormat = R"(
Recorder images are INI text files; names of sections and keys ignore case.

[Recorder]     Model = Corvane, Port (I/O base, default 888), SerialNumber, Slots (1, 2, 4,
               8 or 16), MemoryWords (multiple of 6144 up to 25165824, the real size),
               MeasurementCounter (number of the newest measurement), Seed (noise).
[Input1], [Input2]
               Calibration of the two inputs: RSRF (ohms), RP, VFS1 VFS3..VFS6 (volts),
               KS1 KS3..KS6 (gains), VTGain (volts per DAC code), VTOffset (volts).
[TestN]        Stored tests numbered from 1: SampleRate (Hz) or SampleSpeedCode,
               TriggerLevel (%) or TriggerLevelCode, PreTrigger (%) or PreTriggerCode,
               ATRIG and ASTOP (slot word addresses; ASTOP a multiple of 32), flags HalfStep,
               OFL, Triggered, Ch1Trig, Ch2Trig, StopPressed (T/F), SamplesFile (16-bit
               words in time order, instead of generated signals).
[TestN Channel1], [TestN Channel2]
               Input (Off, VOD, "0 to 5 V", "0 to 10 V", "-2.5 to 2.5 V", "-5 to 5 V",
               "-10 to 10 V" or a select code 0..7), DacVT, VS (auto or 16 codes),
               Signal (VOD, Pulse, Level, Ramp, None), Velocity (m/s), ProbeLength (m),
               UnitResistance (ohm/m), Arrival (ms after trigger), Baseline, Peak (V),
               Rise, Decay (us), Level (V), Noise (V rms).
[Faults]       AckDelay (status reads), FlickerPeriod, FlickerMask, FlickerLimit,
               StuckLine (statusB:L or dataB:L), UnplugAfter (register accesses),
               MarkerErrorStep, MarkerErrorTransfers, EcpNeverFull, PowerOffAtStep,
               GateSettleReads, EcpBytesPerAccess.
[SettingsMemory]
               line.byte = value: raw settings bytes set last.

A download program uses the emulator instead of the real ports when the environment variable
VANTREL_RECORDER names an image.)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::uint64_t number(const std::string& text, const char* what, std::uint64_t lo, std::uint64_t hi) {
    std::string_view s = text;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    std::uint64_t v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || v < lo || v > hi)
        throw UsageError(std::string(what) + " must be a number from " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ", not \"" + text + "\"");
    return v;
}

int run(int argc, char** argv) {
    CLI::App app("Recorder images for the emulated multi-channel recorder.", "recsim");
    app.footer(kImageFormat);
    app.require_subcommand(1);

    std::string image;
    std::string tests = "1";
    std::string slots = "4";
    std::string memoryWords = "25165824";
    std::string port = "888";
    std::string serial = "1207";
    std::string seed = "1";
    std::string counter = "0";
    bool force = false;
    auto* make = app.add_subcommand("make", "Write a realistic recorder image: test 1 a VOD shot at 6500 m/s "
                                            "on input 1 with a pressure pulse on input 2.");
    make->add_option("IMAGE", image, "image file to write")->required();
    make->add_option("--tests", tests, "stored tests (0 to slots)")->capture_default_str();
    make->add_option("--slots", slots, "test slots: 1, 2, 4, 8 or 16")->capture_default_str();
    make->add_option("--memory-words", memoryWords,
                     "sample memory in words (multiple of 6144; small for fast tests)")
        ->capture_default_str();
    make->add_option("--port", port, "I/O base address (decimal or 0x...)")->capture_default_str();
    make->add_option("--serial", serial, "serial number")->capture_default_str();
    make->add_option("--seed", seed, "noise seed")->capture_default_str();
    make->add_option("--counter", counter, "number of the newest measurement (0: 100 + tests)")
        ->capture_default_str();
    make->add_flag("--force", force, "replace an existing file");

    auto* show = app.add_subcommand("show", "Describe a recorder image in plain words.");
    show->add_option("IMAGE", image, "image file")->required();

    int test = 1;
    std::string dataFile;
    auto* expect = app.add_subcommand("expect", "Write the data file a correct download of a test gives.");
    expect->add_option("IMAGE", image, "image file")->required();
    expect->add_option("TEST", test, "stored test, from 1")->required();
    expect->add_option("DATAFILE", dataFile, "data file to write")->required();

    auto* check = app.add_subcommand("check", "Compare a downloaded data file with what it should hold.");
    check->add_option("IMAGE", image, "image file")->required();
    check->add_option("TEST", test, "stored test, from 1")->required();
    check->add_option("DATAFILE", dataFile, "downloaded data file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }

    try {
        if (*make) {
            recsim::ImageOptions o;
            o.slots = static_cast<int>(number(slots, "--slots", 1, 16));
            o.tests = static_cast<int>(number(tests, "--tests", 0, 16));
            o.memoryWords = number(memoryWords, "--memory-words", 1, recsim::kFullMemoryWords);
            o.port = static_cast<std::uint32_t>(number(port, "--port", 1, 0xFFFF - 0x402));
            o.serialNumber = static_cast<std::uint32_t>(number(serial, "--serial", 0, 999999));
            o.seed = number(seed, "--seed", 0, ~std::uint64_t{0});
            o.measurementCounter = static_cast<std::uint32_t>(number(counter, "--counter", 0, 0xFFFFFFFF));
            recsim::RecorderImage made;
            try {
                made = recsim::makeImage(o);
            } catch (const recsim::ImageError& e) {
                throw UsageError(e.what());  // the options describe no recorder
            }
            if (!force && std::filesystem::exists(image)) {
                std::cerr << "recsim: " << image << " exists; --force replaces it\n";
                return 1;
            }
            recsim::saveImage(made, image);
            std::cout << "Wrote " << image << ": " << made.tests.size() << " test"
                      << (made.tests.size() == 1 ? "" : "s") << " in " << made.slots << " slot"
                      << (made.slots == 1 ? "" : "s") << ", port " << made.port << ".\n";
            return 0;
        }
        const recsim::RecorderImage loaded = recsim::loadImage(image);
        if (*show) {
            std::cout << "Recorder image " << image << "\n" << recsim::describeImage(loaded);
            return 0;
        }
        if (test < 1 || test > static_cast<int>(loaded.tests.size()))
            throw UsageError("TEST must be a stored test, 1 to " + std::to_string(loaded.tests.size()));
        if (*expect) {
            recsim::writeExpectedDataFile(loaded, test, dataFile);
            std::cout << "Wrote " << dataFile << ": " << loaded.slotWords() << " words of test " << test << ".\n";
            return 0;
        }
        const recsim::DataFileComparison c = recsim::compareDataFile(loaded, test, dataFile);
        if (c.matches()) {
            std::cout << dataFile << " holds test " << test << " exactly.\n";
            return 0;
        }
        if (c.firstDifference)
            std::cout << dataFile << " differs from test " << test << " first at word " << *c.firstDifference
                      << ": " << c.actual << " instead of " << c.expected << ".\n";
        if (c.fileBytes != c.expectedBytes)
            std::cout << dataFile << " has " << c.fileBytes << " bytes instead of " << c.expectedBytes << ".\n";
        return 1;
    } catch (const UsageError& e) {
        std::cerr << "recsim: " << e.what() << "\nRun with --help for more information.\n";
        return 2;
    } catch (const recsim::ImageError& e) {
        std::cerr << "recsim: " << e.what() << "\n";
        return 1;
    } catch (const common::IoError& e) {
        std::cerr << "recsim: " << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "recsim: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) { return run(argc, argv); }
