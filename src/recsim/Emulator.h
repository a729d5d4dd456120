#pragma once
// The multi-channel recorder behind a parallel port, as a port backend: a deterministic state
// machine that answers register accesses the way the recorder and the PC's port hardware
// would. It answers at its port base only:
//
//   base+0  data (PC -> recorder; reads back the last byte written)
//   base+1  status (recorder -> PC)
//   base+2  control (reads back the last byte written)
//   base+4  EPP data (this model has no EPP stream: reads 0xFF)
//   base+0x400  ECP data FIFO      base+0x402  ECR (bit 0 FIFO empty, bit 1 full, 5..7 mode)
//
// Every other address floats and reads 0xFF. The status lines are driven by the controller
// (see Controller.h), except while the gate array is armed for an SPP stream and the strobe
// line (control bit 0) is clear: then they carry the gate array's 5-bit groups (GateArray.h).
// The recorder fills the FIFO while its ECP stream runs, the ECR is in ECP mode (011) and the
// port is in reverse direction with reverse request asserted (control bit 5 set, bit 2
// clear). A mode change of the ECR empties the FIFO.
//
// Nothing depends on time: the state after a sequence of accesses is a function of the image
// and of that sequence alone. Not thread-safe; one download runs on one thread.

#include "link/PortBackend.h"
#include "recsim/Controller.h"
#include "recsim/Counters.h"
#include "recsim/EcpFifo.h"
#include "recsim/Faults.h"
#include "recsim/GateArray.h"
#include "recsim/RecorderImage.h"
#include "recsim/SettingsMemory.h"
#include "recsim/SlotContent.h"
#include "recsim/StatusLines.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace recsim {

inline constexpr std::uint8_t kFloating = 0xFF;

class Emulator final : public vantrel::link::PortBackend {
public:
    // Throws ImageError when the image is not valid.
    explicit Emulator(RecorderImage image);
    static std::unique_ptr<Emulator> fromFile(const std::filesystem::path& imageFile);
    ~Emulator() override;
    // Its parts refer to each other: an emulator stays where it was made.
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    std::uint8_t read(std::uint32_t address) override;
    void write(std::uint32_t address, std::uint8_t value) override;
    std::string name() const override { return "emulator"; }

    const RecorderImage& image() const { return m_image; }
    std::uint32_t portBase() const { return m_base; }

    // Faults in force; changing them applies from the next access.
    const Faults& faults() const { return m_faults; }
    void setFaults(const Faults& faults);

    // The cable (the lines float while pulled) and the recorder's power (switching it on
    // again resets the controller and the gate array).
    void unplug();
    void plugIn();
    bool pluggedIn() const { return m_plugged; }
    void switchOff();
    void switchOn();
    bool poweredOn() const { return m_powered; }

    const Counters& counters() const { return m_counters; }
    void resetCounters() { m_counters = Counters{}; }
    // Register accesses since the emulator was made (the clock of unplugAfterAccesses).
    std::uint64_t accesses() const { return m_accesses; }

    const SettingsMemory& settingsMemory() const { return m_settings; }
    const SlotContent& slot(int test) const { return m_slots.at(static_cast<std::size_t>(test - 1)); }
    // The raw data file that a correct download of test t writes, word by word.
    std::vector<std::uint16_t> expectedDataFile(int test) const;

    const Controller& controller() const { return m_controller; }
    const GateArray& gateArray() const { return m_gate; }
    std::uint8_t ecr() const;

private:
    std::uint8_t readStatus() { return m_live ? m_status.read() : kFloating; }
    std::uint8_t readEcr();
    std::uint8_t readFifo();
    void writeData(std::uint8_t value);
    void writeEcr(std::uint8_t value);
    void produce();
    void route();
    void updateLive();

    RecorderImage m_image;
    std::uint32_t m_base;
    Faults m_faults;
    Counters m_counters;
    SettingsMemory m_settings;
    std::vector<SlotContent> m_slots;
    GateArray m_gate;
    Controller m_controller;
    StatusLines m_status;
    EcpFifo m_fifo;

    std::uint64_t m_accesses = 0;
    std::uint64_t m_unplugAt = 0;  // the first access that finds the cable pulled (0 = never)
    std::uint8_t m_data = 0;       // data register as written by the PC
    std::uint8_t m_seen = 0;       // data lines as the recorder sees them
    std::uint8_t m_control = 0;
    std::uint8_t m_ecrBits = 0x14;  // ECR bits 2..7 (mode 000)
    std::uint8_t m_stuckDataMask = 0;
    std::uint8_t m_stuckDataLevel = 0;
    bool m_plugged = true;
    bool m_powered = true;
    bool m_live = true;      // plugged in and powered
    bool m_sppDrive = false; // the gate array drives the status lines
    std::uint64_t m_ecpStream = 0;  // the gate array's ECP stream the FIFO belongs to
};

}  // namespace recsim
