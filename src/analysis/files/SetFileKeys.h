#pragma once
// Section and key names of a set file, spelt once so that a typo cannot pass unnoticed.

#include <string_view>

namespace files {

struct SetFileKeys {
    // sections
    static constexpr std::string_view Settings = "settings";
    static constexpr std::string_view PalmCodes = "PalmCodes";

    // section "settings"
    static constexpr std::string_view DataCollector = "DataCollector";
    static constexpr std::string_view NrChannels = "NrChannels";
    static constexpr std::string_view SampleSpeedInHz = "SampleSpeedInHz";
    static constexpr std::string_view SampleSpeedCode = "SampleSpeedCode#";
    static constexpr std::string_view PreTriggerPts = "PreTriggerPts";
    static constexpr std::string_view NumPtsDownloaded = "NumPtsDownloaded";
    static constexpr std::string_view ATRIG = "ATRIG";
    static constexpr std::string_view ASTOP = "ASTOP";
    static constexpr std::string_view OFL = "OFL";
    static constexpr std::string_view Triggered = "Triggered";
    static constexpr std::string_view StopPressed = "Stop Pressed";
    static constexpr std::string_view Ch1on = "Ch1on";
    static constexpr std::string_view Ch2on = "Ch2on";
    static constexpr std::string_view DV = "DV";
    static constexpr std::string_view Measurement = "Measurement";
    static constexpr std::string_view SerialNr = "Serial Nr";
    static constexpr std::string_view DownloadDate = "Download Date";
    static constexpr std::string_view RawFileCompressed = "RawFileCompressed";
    static constexpr std::string_view Errors = "Errors";
    static constexpr std::string_view FileComment = "FileComment";
    static constexpr std::string_view LengthUnit = "Length unit for unit resistance";
    static constexpr std::string_view NrEventGraphs = "NrEventGraphs";
    static constexpr std::string_view CTN = "CTN";
    static constexpr std::string_view NrTests = "NrTests";

    // channel sections
    static constexpr std::string_view SelectCode = "SelectCode";
    static constexpr std::string_view MinVoltage = "MinVoltage";
    static constexpr std::string_view MaxVoltage = "MaxVoltage";
    static constexpr std::string_view VOD = "VOD";
    static constexpr std::string_view dacVT = "dacVT";
    static constexpr std::string_view PellionVOD = "PellionVOD";
    static constexpr std::string_view ScopeBncNumber = "Scope BNC Number";
    static constexpr std::string_view UnitResistance = "Unit resistance";
    static constexpr std::string_view VODoffset = "VOD offset";

    // model names (values of "DataCollector")
    static constexpr std::string_view Corvane = "Corvane";
    static constexpr std::string_view Pellion = "Pellion";
    static constexpr std::string_view Quiddor = "Quiddor";
};

}  // namespace files
