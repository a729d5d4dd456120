#pragma once
// Recorder images as text files (INI layout, read through the common INI layer). Section and
// key names are matched without regard to case; unknown sections and keys are refused so that
// a misspelt key never passes unnoticed. Numbers are decimal ("." as decimal separator);
// integers may also be written 0x... in hexadecimal; flags are T/F, True/False, 1/0 or
// Yes/No. Units are those named below.
//
// [Recorder]               Model = Corvane (the only model so far)
//                          Port = I/O base address it is plugged into (default 888)
//                          SerialNumber = 0..999999 (required)
//                          Slots = 1, 2, 4, 8 or 16 (required)
//                          MemoryWords = total sample memory in 16-bit words, a multiple of
//                            6144 up to 25165824 (the real size, default); smaller memories
//                            make whole transfers short
//                          MeasurementCounter = number of the newest measurement (required)
//                          Seed = seed of the generated noise (default 1)
// [Input1], [Input2]       calibration of the recorder's inputs, shared by all tests:
//                          RSRF (ohms), RP, VFS1 VFS3 VFS4 VFS5 VFS6 (offsets, volts),
//                          KS1 KS3 KS4 KS5 KS6 (gains), VTGain (volts per DAC code),
//                          VTOffset (volts): the VOD threshold for DAC value h is
//                          VTOffset + VTGain * h. VFS1/KS1 serve select codes 1 and 2.
// [Test1] ... [TestN]      the stored tests, numbered from 1 without gaps:
//                          SampleRate = Hz, one of the recorder's rates (or SampleSpeedCode)
//                          TriggerLevel = percent (or TriggerLevelCode)
//                          PreTrigger = percent (or PreTriggerCode)
//                          ATRIG, ASTOP = slot-relative word addresses of trigger and stop
//                            (required; ASTOP a multiple of 32)
//                          HalfStep, OFL, Triggered, Ch1Trig, Ch2Trig, StopPressed = flags
//                          SamplesFile = file of 16-bit little-endian words giving the test's
//                            words in time order (relative to the image's folder); repeated
//                            when shorter than the slot. Replaces the channel signals.
// [TestN Channel1], [TestN Channel2]   (Channel1 required; no Channel2 = input 2 off)
//                          Input = Off, VOD, "0 to 5 V", "0 to 10 V", "-2.5 to 2.5 V",
//                            "-5 to 5 V", "-10 to 10 V", or a select code 0..7
//                          DacVT = VOD threshold DAC value (default 3686)
//                          VS = auto (the channel's first 16 points) or 16 codes, commas between
//                          Signal = VOD, Pulse, Level, Ramp or None (default VOD on a VOD
//                            input, Level on a scope input)
//                          Velocity (m/s), ProbeLength (m), UnitResistance (ohm/m): VOD probe
//                          Arrival (ms after the trigger): VOD front or pulse arrival
//                          Baseline, Peak (volts), Rise, Decay (microseconds): pressure pulse
//                          Level (volts); Noise (volts rms, seeded)
// [Faults]                 AckDelay, FlickerPeriod, FlickerMask, FlickerLimit,
//                          StuckLine (none, status3..status7 or data0..data2, then ":0" or
//                          ":1"), UnplugAfter, MarkerErrorStep, MarkerErrorTransfers,
//                          EcpNeverFull, PowerOffAtStep, GateSettleReads, EcpBytesPerAccess
//                          (see Faults.h)
// [SettingsMemory]         line.byte = value: raw bytes set after everything else was
//                          encoded, e.g. "32.19 = 0x07" for a range code with no table entry

#include "recsim/RecorderImage.h"

#include <filesystem>
#include <string>

namespace recsim {

// Reads and validates an image. Throws ImageError naming the file and the problem.
RecorderImage loadImage(const std::filesystem::path& file);

// The image as text, with a commented head; loadImage of this text gives the image back.
std::string imageText(const RecorderImage& image);

// Writes imageText atomically (temporary file, then rename). Throws common::IoError.
void saveImage(const RecorderImage& image, const std::filesystem::path& file);

// Names of select codes and signal kinds as used in images.
std::string inputName(int selectCode);
std::string signalName(SignalKind kind);

}  // namespace recsim
