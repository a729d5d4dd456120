#pragma once
// What the raw transfer tells the download window: which port mode it uses and how far it
// got. Window events may run inside these calls (that is where the Cancel button acts, by
// calling RawTransfer::cancel()).

#include "common/Progress.h"

#include <string>

namespace vantrel::link {

// The numbers the window shows for each mode.
enum class PortType { Spp = 1, Ecp = 2, Epp = 3, SlowSpp = 4 };

// " Using " followed by "SPP", "ECP", "EPP" or "SPPs".
std::string portTypeText(PortType type);

class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void portTypeUsed(PortType) {}
    // Every 2048 steps: the fraction of the slot read so far times 0.95.
    virtual void percentageDone(double) {}
    // In slow SPP after every step.
    virtual void letEventsRun() {}
    // Asked right after each percentageDone and letEventsRun: true stops the transfer as the
    // Cancel button does.
    virtual bool stopRequested() { return false; }
};

// A common::Progress as transfer observer: the mode as text, the fraction, and step() both
// lets events run and answers the stop request.
class ProgressObserver final : public TransferObserver {
public:
    explicit ProgressObserver(common::Progress& progress) : m_progress(progress) {}
    void portTypeUsed(PortType type) override { m_progress.setText(portTypeText(type)); }
    void percentageDone(double fraction) override {
        m_progress.setFraction(fraction);
        m_stop = m_progress.step() || m_stop;
    }
    void letEventsRun() override { m_stop = m_progress.step() || m_stop; }
    bool stopRequested() override { return m_stop; }

private:
    common::Progress& m_progress;
    bool m_stop = false;
};

}  // namespace vantrel::link
