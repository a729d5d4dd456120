#include "analysis/files/CreateTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>

#include "analysis/files/SetFileKeys.h"
#include "common/Error.h"
#include "common/Prompt.h"

namespace files {
namespace {

using Keys = SetFileKeys;

// Volts per code of the VOD input.
constexpr double kStep = 5.0 / 16383.0;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

double channelInteger(const clasSetFileEC& setFile, int channel, const std::string& key) {
    return static_cast<double>(setFile.lChannelLong(channel, key));
}

ChannelTable notConvertible(int channel, const std::string& why) {
    ChannelTable table;
    table.status = TableStatus::NotConvertible;
    table.reason = "Channel " + std::to_string(channel) + " cannot be converted: " + why + ".";
    return table;
}

// A quotient, or nothing when the divider is 0 or the result is not finite: the formulas
// must never put an infinity or a NaN into a table.
bool divide(double a, double b, double& quotient) {
    if (b == 0.0 || !std::isfinite(a) || !std::isfinite(b)) return false;
    quotient = a / b;
    return std::isfinite(quotient);
}

// Fills the table from entry(code, value), which reports false when the code has no finite
// value; the first such code makes the channel not convertible.
ChannelTable tabulate(int channel, const std::function<bool(int, double&)>& entry) {
    ChannelTable table;
    table.values.resize(kTableSize);
    for (int c = 0; c <= kTableUpperIndex; ++c) {
        double value = 0.0;
        if (!entry(c, value) || !std::isfinite(value))
            return notConvertible(channel, "code " + std::to_string(c) + " has no finite value");
        table.values[static_cast<std::size_t>(c)] = value;
    }
    table.status = TableStatus::Built;
    table.count = kTableUpperIndex;
    return table;
}

double unitResistance(const clasSetFileEC& setFile, int channel) {
    const double ur = setFile.dGetChannelDouble(channel, Keys::UnitResistance);
    if (!(ur > 0.0))
        throw common::Error(3250, kSetFileSource,
                            "Cant analyze VOD settings for channel " + std::to_string(channel));
    return ur;
}

ChannelTable corvaneScope(const clasSetFileEC& setFile, int channel) {
    const std::string s = std::to_string(setFile.lChannelLong(channel, Keys::SelectCode));
    const double ks = channelInteger(setFile, channel, "KS" + s) / 1000000.0;
    const double vfs = channelInteger(setFile, channel, "VFS" + s) * 0.000001;
    const double max = setFile.dGetChannelDouble(channel, Keys::MaxVoltage);
    const double min = setFile.dGetChannelDouble(channel, Keys::MinVoltage);
    if (ks == 0.0) return notConvertible(channel, "KS" + s + " is 0");
    const double span = max - min;
    return tabulate(channel, [&](int c, double& t) {
        return divide(min + c * span / 16383 - vfs, ks, t);
    });
}

ChannelTable pellionScope(const clasSetFileEC& setFile, int channel) {
    const double km = channelInteger(setFile, channel, "VSKM") / 1000000.0;
    const double fm = channelInteger(setFile, channel, "VSFM") * 0.000001;
    const double max = setFile.dGetChannelDouble(channel, Keys::MaxVoltage);
    const double min = setFile.dGetChannelDouble(channel, Keys::MinVoltage);
    if (km == 0.0) return notConvertible(channel, "VSKM is 0");
    return tabulate(channel, [&](int c, double& t) {
        return divide(min + c * (max - min) / 16383 - fm, km, t);
    });
}

ChannelTable corvaneVOD(const clasSetFileEC& setFile, int channel) {
    const std::string s = std::to_string(setFile.lChannelLong(channel, Keys::SelectCode));
    const double ks = channelInteger(setFile, channel, "KS" + s) / 1000000.0;
    const double vfs = channelInteger(setFile, channel, "VFS" + s) * 0.000001;
    const double rref = channelInteger(setFile, channel, "RSRF") * 0.001;
    const double vt = ThresholdVoltage(setFile, channel);
    const double mean = InitialSignalCode(setFile, channel, 15);
    const double ur = unitResistance(setFile, channel);
    if (ks == 0.0) return notConvertible(channel, "KS" + s + " is 0");

    const double vs = mean * kStep / ks - vfs;
    double initial = 0.0;
    if (!divide(vs, vt - vs, initial))
        return notConvertible(channel, "the initial signal voltage equals the threshold voltage");
    const double scale = rref / ur;
    return tabulate(channel, [&](int c, double& t) {
        double v = c * kStep / ks - vfs;
        if (v >= vs) v = vs;
        if (v >= vt) v = 0.999 * vt;
        double now = 0.0;
        if (!divide(v, vt - v, now)) return false;
        t = scale * (initial - now);
        return true;
    });
}

// Layout versions before 7 other than 2, 3 and 6.
ChannelTable pellionVODFirstLayout(const clasSetFileEC& setFile, int channel) {
    const double km = channelInteger(setFile, channel, "VSKM") / 1000000.0;
    const double fm = channelInteger(setFile, channel, "VSFM") * 0.000001;
    const double rref = channelInteger(setFile, channel, "RSRF") * 0.001;
    const double vt = setFile.dGetChannelDouble(channel, "VT") * 0.000001;
    const double mean = InitialSignalCode(setFile, channel, 7);
    const double ur = unitResistance(setFile, channel);
    if (km == 0.0) return notConvertible(channel, "VSKM is 0");

    const double vs = (mean * kStep - fm) * km;
    double r0 = 0.0;
    if (!divide(rref * vs, vt - vs, r0))
        return notConvertible(channel, "the initial signal voltage equals the threshold voltage");
    return tabulate(channel, [&](int c, double& t) {
        double v = (fm + c * kStep) / km;
        if (v >= vs) v = vs;
        if (v >= vt) v = 0.999 * vt;
        double r = 0.0;
        if (!divide(rref * v, vt - v, r)) return false;
        if (r > r0) r = r0;
        t = (r0 - r) / ur;
        return true;
    });
}

// Layout versions 2, 3 and 6: the probe read through the input resistance Rin.
ChannelTable pellionVODInputResistance(const clasSetFileEC& setFile, int channel) {
    double km = channelInteger(setFile, channel, "VSKM") / 1000000.0;
    const double fm = channelInteger(setFile, channel, "VSFM") * 0.000001;
    const double rref = channelInteger(setFile, channel, "RSRF") * 0.001;
    const double rp = channelInteger(setFile, channel, "PN_RP") / 1000;
    const double rin = channelInteger(setFile, channel, "PN_RIN");
    const double vt = setFile.dGetChannelDouble(channel, "VT") * 0.000001;
    const double mean = InitialSignalCode(setFile, channel, 7);
    const double ur = unitResistance(setFile, channel);
    if (km > 1.1 || km < 0.9) km = 1.0;
    if (rin == 0.0) return notConvertible(channel, "PN_RIN is 0");

    // R(x) = Rref / (VT / x - ((1 - 2.5 / x) * Rref + Rin) / Rin) - Rp
    const auto resistance = [&](double x, double& r) {
        double a = 0.0, b = 0.0, inner = 0.0, q = 0.0;
        if (!divide(vt, x, a) || !divide(2.5, x, b) || !divide((1 - b) * rref + rin, rin, inner))
            return false;
        if (!divide(rref, a - inner, q)) return false;
        r = q - rp;
        return std::isfinite(r);
    };
    const double vs = (mean * kStep - fm) / km;
    double r0 = 0.0;
    if (!resistance(vs, r0))
        return notConvertible(channel, "the initial signal voltage gives no finite resistance");
    return tabulate(channel, [&](int c, double& t) {
        const double v = (c * kStep - fm) / km;
        double r = 0.0;
        if (!resistance(v, r)) return false;
        if (r > r0) r = r0;
        t = (r0 - r) / ur;
        return true;
    });
}

ChannelTable pellionVOD(const clasSetFileEC& setFile, int channel, common::Prompt& prompt) {
    const std::int32_t dv = setFile.lMainLongWithDefault(Keys::DV, 1);
    if (dv >= 7) {
        common::ShowMessage(prompt, kNewerVersionMessage);
        ChannelTable table;
        table.status = TableStatus::NewerVersion;
        table.reason = common::expandLineMarks(kNewerVersionMessage);
        return table;
    }
    if (dv == 2 || dv == 3 || dv == 6) return pellionVODInputResistance(setFile, channel);
    return pellionVODFirstLayout(setFile, channel);
}

}  // namespace

double ThresholdVoltage(const clasSetFileEC& setFile, int channel) {
    const std::int32_t d = setFile.lChannelLong(channel, Keys::dacVT);
    const std::int32_t r = d % 4;  // the sign follows d, as in the recorder's own arithmetic
    if (r == 0) return channelInteger(setFile, channel, "VT" + std::to_string(d)) / 100000;
    const std::int32_t b = d - r;
    const double lo = channelInteger(setFile, channel, "VT" + std::to_string(b));
    const double hi = channelInteger(setFile, channel, "VT" + std::to_string(b + 4));
    return ((hi - lo) * r / 4 + lo) / 100000;
}

double InitialSignalCode(const clasSetFileEC& setFile, int channel, int lastIndex) {
    double sum = 0.0;
    for (int i = 0; i <= lastIndex; ++i) sum += channelInteger(setFile, channel, "VS" + std::to_string(i));
    return sum / (lastIndex + 1);
}

ChannelTable CreateChannelTable(const clasSetFileEC& setFile, int channel, common::Prompt& prompt) {
    const std::string extension = lower(setFile.sFileExtension());
    if (extension == "qdr" || extension == "qd2") return ChannelTable{};
    if (extension == "plr")
        return setFile.bIsVODchannel(channel) ? pellionVOD(setFile, channel, prompt)
                                              : pellionScope(setFile, channel);
    if (extension == "crv")
        return setFile.bIsVODchannel(channel) ? corvaneVOD(setFile, channel)
                                              : corvaneScope(setFile, channel);
    throw common::Error(3250, kSetFileSource,
                        "Cannot create lookup table for channel " + std::to_string(channel));
}

}  // namespace files
