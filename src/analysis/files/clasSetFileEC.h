#pragma once
// The accessor of one set file (the INI file of a test: section "settings", sections
// "Channel1".."ChannelN", "Event1".., "AnalysisGraph_"..).
//
// It holds only the file's path and opens the file for every read and write, so that other
// accessors and programs see each change at once and no value is ever stale.
//
// Failures are common::Error with source "Set File Object":
//   3242 "String not found in " & section & key   a value is missing (or reads "no data")
//   3242 "Integer not found in " & section & key  a value is not an integer of the asked width
//   3245 "Invalid number at " & section & key     a value is not a real number
//   3001                                          sCustomFileName with a number outside 0..300
// Operations named ...WithDefault, ...CheckFound, the flag tests, bSkipChannel and
// wGetIntOrZero never fail for a missing or malformed value.
//
// Writes go to the file at once. A file that cannot be written (a read-only file or folder)
// throws common::IoError: the caller learns that the value was not stored. A value holding a
// line break throws std::invalid_argument (multi-line text goes through "FileComment" and
// common::WriteIniText).
//
// Paths use "/" as the separator. Names derived from the set file are cut at the first "."
// of the file name, never of a folder above it.

#include <cstdint>
#include <string>
#include <string_view>

namespace files {

inline constexpr const char* kSetFileSource = "Set File Object";

// Kinds of sCustomFileName.
inline constexpr std::int32_t kRemovedPointsFile = 70101;    // .r00...r99, .s00..., .t00...
inline constexpr std::int32_t kSecondPointsFile = 70102;     // .m00..., .n00..., .k00...
inline constexpr std::int32_t kNumberedFile = 70103;         // .e0..., .f0..., .g0...
inline constexpr std::int32_t kMovedPointsFile1 = 70111;     // .ml00...
inline constexpr std::int32_t kMovedPointsFile2 = 70112;     // .mv00...
inline constexpr std::int32_t kAsciiDataFile = 70113;        // _asc_data.txt
inline constexpr std::int32_t kAsciiInfoFile = 70114;        // _asc_info.txt
inline constexpr std::int32_t kAsciiCompleteFile = 70115;    // _asc_complete.txt

class clasSetFileEC {
public:
    void Setup(std::string path);

    // --- names ---------------------------------------------------------------------------
    const std::string& sSetFileName() const { return m_path; }
    // The part after the last "/".
    std::string sSetFileNameNoPath() const;
    // The last three characters of the path (the extension that tells the recorder model).
    std::string sFileExtension() const;
    // The file name without folder, cut before its first "." and with "." appended:
    // Test01. for /data/Test01.crv.
    std::string sGetNameNoPathNoExtDotAtEnd() const;
    // The data file beside the set file: /data/Test01.raw, /data/Test01.cmp.
    std::string sGetLongRawName() const;
    std::string sGetLongCmpName() const;
    // There are no short names here: the same as sGetLongCmpName.
    std::string sGetShortCmpName() const;
    // Side files of graph number n (0..300) by kind; "" for an unknown kind.
    std::string sCustomFileName(std::int32_t kind, std::int32_t number) const;

    static std::string sChannelSection(int channel);
    static std::string sEventSection(int event);

    // --- any section ---------------------------------------------------------------------
    std::string sCurSetStr(std::string_view section, std::string_view key) const;
    std::int32_t lGetSetLongInt(std::string_view section, std::string_view key) const;
    std::int16_t wGetIntInCurSet(std::string_view section, std::string_view key) const;
    double dGetSetDouble(std::string_view section, std::string_view key) const;
    // Writes the value as it is (no escaping).
    void WriteStrInCurSet(std::string_view section, std::string_view key, std::string_view value);
    // Flag rule: true when the first character is "T" or "t"; missing is false.
    bool bIsSettingTrue(std::string_view section, std::string_view key) const;
    // Counter + 1, written back and returned; a missing or non-numeric counter becomes 1. The
    // read and the write happen under the INI layer's lock. Throws std::overflow_error
    // (writing nothing) when the counter cannot grow within its width.
    std::int32_t lRead_Increment_Return(std::string_view section, std::string_view key);
    std::int16_t wRead_Increment_Return(std::string_view section, std::string_view key);

    // --- section "settings" ---------------------------------------------------------------
    std::string sGetMainStr(std::string_view key) const;
    std::int16_t wMainInt(std::string_view key) const;
    void WriteMainStr(std::string_view key, std::string_view value);
    std::int32_t lMainLongWithDefault(std::string_view key, std::int32_t defaultValue) const;
    std::int16_t wMainIntWithDefault(std::string_view key, std::int16_t defaultValue) const;

    // --- channel sections -----------------------------------------------------------------
    std::string sGetChannelStr(int channel, std::string_view key) const;
    std::int32_t lChannelLong(int channel, std::string_view key) const;
    std::int16_t wChannelInt(int channel, std::string_view key) const;
    double dGetChannelDouble(int channel, std::string_view key) const;
    std::int32_t lChannelLongWithDefault(int channel, std::string_view key,
                                         std::int32_t defaultValue) const;
    double dChannelDoubleWithDefault(int channel, std::string_view key, double defaultValue) const;
    // True and value set when the key holds a number; otherwise false, value untouched.
    bool GetChannelDoubleCheckFound(int channel, std::string_view key, double& value) const;
    void WriteChannelStr(int channel, std::string_view key, std::string_view value);

    // --- event sections -------------------------------------------------------------------
    std::string sGetEventStr(int event, std::string_view key) const;
    std::int16_t wEventInt(int event, std::string_view key) const;
    double dGetEventDouble(int event, std::string_view key) const;
    std::int32_t lEventLongWithDefault(int event, std::string_view key,
                                       std::int32_t defaultValue) const;
    double dEventDoubleWithDefault(int event, std::string_view key, double defaultValue) const;
    bool GetEventDoubleCheckFound(int event, std::string_view key, double& value) const;
    void WriteEventStr(int event, std::string_view key, std::string_view value);

    // --- the test -------------------------------------------------------------------------
    // "FileComment" with its line breaks restored (CR LF); "" when missing.
    std::string sComment() const;
    std::int16_t wNrChannels() const;
    // "DataCollector" equals the model name exactly; a missing key fails (3242).
    bool bIsCorvane() const;
    bool bIsPellion() const;
    bool bIsQuiddor() const;
    // Every channel of a "Quiddor"; the channel flagged "PellionVOD" of a "Pellion"; otherwise
    // a channel whose "SelectCode" is 1.
    bool bIsVODchannel(int channel) const;
    // Channel 1 / 2 whose "Ch1on" / "Ch2on" reads "f" or "F" (exactly one letter); false for
    // any other value, a missing key and every other channel.
    bool bSkipChannel(int channel) const;
    std::int32_t lCalibTestNr() const;
    std::int32_t lPalmCodesValue(std::string_view key) const;
    // "PS" followed by the number with three digits (PS007).
    std::int32_t lPalmCodeSettingNrValue(std::int32_t number) const;
    // Writes "VOD offset" as the shortest decimal text that reads back exactly.
    void SetVODoffset(double value, int channel);
    double dVODoffset(int channel) const;

    // Helpers of the operations above.
    bool bIsPellionVODchannel(int channel) const;
    std::int16_t wGetIntOrZero(std::string_view section, std::string_view key) const;

private:
    std::string m_path;
};

}  // namespace files
