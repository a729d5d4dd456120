#!/usr/bin/env python3
"""Writes the sample test set samples/CV2026Dec001_01.crv + .raw.

A two-channel "Corvane" test as the download program writes it (settings keys in the order of
the download, channel calibration, initial signal codes, transfer outcome), after the retrieval
has added the probe's unit resistance, the length unit and a two-line comment:

- channel 1: VOD resistance probe (range code 1, 0 to 5 V), 2.5 m of probe consumed at about
  4550 m/s;
- channel 2: scope input, -10 to 10 V (range code 6), a pressure-like pulse that triggered the
  recorder;
- 1 MHz, 8000 points per channel, 10 % pre-trigger.

The recorder's memory slot is cut down to the 16000 words of the sample so that the file stays
small; "NumPtsDownloaded", "ATRIG", "ASTOP" and "PreTriggerPts" are those of that short slot.
Deterministic (fixed seed): running it again gives the same bytes.

Usage: tools/make_sample.py [output folder]   (default: samples/ beside this folder)
"""

import math
import os
import random
import struct
import sys

ROOT = "CV2026Dec001_01"
SPEED_HZ = 1_000_000
SPEED_CODE = 9            # sample speed table: code 9 = 1000000 Hz
POINTS = 8000             # per channel
CHANNELS = 2
SLOT_WORDS = POINTS * CHANNELS
PRE_TRIGGER_CODE = 2      # pre-trigger table: code 2 = 10 %
TRIGGER_LEVEL_CODE = 3    # trigger level table: code 3 = 20 %
ASTOP = 3200              # memory position of the stop, a multiple of 32
PRE_TRIGGER_PTS = SLOT_WORDS // 10
ATRIG = (ASTOP + PRE_TRIGGER_PTS) % SLOT_WORDS
STEP = 5.0 / 16383        # volts per code of the VOD input

# Channel calibration as read from the recorder (KS in millionths, VFS in microvolts).
CAL = {
    1: dict(RSRF=33000, RP=150, VFS=[-1250, -1250, 2210, -870, 1540, 3120],
            KS=[1002310, 1002310, 1001870, 999410, 1000650, 998870]),
    2: dict(RSRF=32870, RP=148, VFS=[-980, -980, 1870, -640, 1320, 2950],
            KS=[1001940, 1001940, 1002080, 999730, 1000420, 999120]),
}
VOD_DAC = 1602                        # threshold DAC code; calibration every 4 codes
VT_TABLE = {1600: 449870, 1604: 450980}  # threshold voltages, 10 microvolt units
UNIT_RESISTANCE = 10.8                # ohms per metre of probe
PROBE_R0 = 30.0                       # ohms of probe before the shot
VOD_M_PER_MS = 4.55
VOD_START_MS, CONSUMED_M = -0.45, 2.5


def real(x):
    """The download program's "#0.0#######"."""
    text = f"{x:.8f}".rstrip("0")
    return text + "0" if text.endswith(".") else text


def flag(b):
    return "T" if b else "F"


def threshold_volts():
    r = VOD_DAC % 4
    lo, hi = VT_TABLE[VOD_DAC - r], VT_TABLE[VOD_DAC - r + 4]
    return ((hi - lo) * r / 4 + lo) / 100000


def vod_code(volts, rng):
    ks, vfs = CAL[1]["KS"][0] / 1e6, CAL[1]["VFS"][0] * 1e-6
    code = round((volts + vfs) * ks / STEP + rng.gauss(0, 2.5))
    return min(max(code, 0), 16383)


def scope_code(volts, rng, lo=-10.0, hi=10.0):
    ks, vfs = CAL[2]["KS"][5] / 1e6, CAL[2]["VFS"][5] * 1e-6
    code = round((volts * ks + vfs - lo) * 16383 / (hi - lo) + rng.gauss(0, 3.0))
    return min(max(code, 0), 16383)


def probe_volts(t_ms):
    """Voltage of the probe divider: V = VT * R / (Rref + R), R shrinking as it burns."""
    vt, rref = threshold_volts(), CAL[1]["RSRF"] * 0.001
    burnt = min(max((t_ms - VOD_START_MS) * VOD_M_PER_MS, 0.0), CONSUMED_M)
    r = PROBE_R0 - burnt * UNIT_RESISTANCE
    if burnt >= CONSUMED_M:  # the probe's end is reached: the cable shorts out
        fade = math.exp(-(t_ms - VOD_START_MS - CONSUMED_M / VOD_M_PER_MS) / 0.01)
        r = r * fade + 0.4 * (1 - fade)
    return vt * r / (rref + r)


def pressure_volts(t_ms):
    """A blast-gauge pulse: 5 microsecond rise to 6.2 V at the trigger, decay, small suction."""
    t0, rise, peak, decay = -0.002, 0.005, 6.2, 0.35
    if t_ms < t0:
        return 0.0
    if t_ms < t0 + rise:
        return peak * (t_ms - t0) / rise
    s = t_ms - t0 - rise
    return peak * (1 - s / 2.2) * math.exp(-s / decay) if s < 2.2 else \
        -0.35 * math.exp(-(s - 2.2) / 1.5)


def raw_bytes(rng):
    first_ms = -(PRE_TRIGGER_PTS // CHANNELS) * 1000 / SPEED_HZ
    words = []
    for i in range(POINTS):
        t = first_ms + i * 1000 / SPEED_HZ
        words.append(vod_code(probe_volts(t), rng))
        words.append(scope_code(pressure_volts(t), rng))
    return struct.pack("<%dH" % len(words), *words)


def initial_codes(rng):
    """VS0..VS15 of both channels: the signals just before recording started."""
    vs = {1: [], 2: []}
    for _ in range(16):
        vs[1].append(vod_code(probe_volts(-1.0), rng))
        vs[2].append(scope_code(0.0, rng))
    return vs


def set_file_text(vs):
    code = (0xC << 24) | ATRIG  # flag bits Triggered and OFL share the code's top digit
    settings = [
        ("DataCollector", "Corvane"),
        ("Measurement", "214"),
        ("TriggerPositionCode", "&h%07X" % code),
        ("ATRIG", str(ATRIG)),
        ("ASTOP", str(ASTOP)),
        ("Percent PreTrigger Setting", str(PRE_TRIGGER_CODE)),
        ("PercentPreTriggerTime", "10"),
        ("PreTriggerPts", str(PRE_TRIGGER_PTS)),
        ("NumPtsDownloaded", str(SLOT_WORDS)),
        ("SampleSpeedCode#", str(SPEED_CODE)),
        ("SampleSpeedInHz", str(SPEED_HZ)),
        ("TriggerLevelCode#", str(TRIGGER_LEVEL_CODE)),
        ("PercentTriggerLevel", "20"),
        ("OFL", "-1"),
        ("Ch1on", flag(True)),
        ("Ch2on", flag(True)),
        ("NrChannels", str(CHANNELS)),
        ("Triggered", flag(True)),
        ("Ch1Trig", flag(False)),
        ("Ch2Trig", flag(True)),
        ("ExtTrig", flag(False)),
        ("Stop Pressed", flag(False)),
        ("DV", "7"),
        ("Serial Nr", "s0412"),
        ("Download Date", "14:03:22, 6 December 2026"),
        ("TestNr", "1"),
        ("NrTests", "1"),
        ("ECP", "0"),
        ("Length unit for unit resistance", "m"),
        ("FileComment", "Data retrieved from Corvane at 14:05:10 on 06 Dec 2026 Test 1 of 1"
                        "[nl]Bench 3, hole 12: 89 mm ANFO column, probe 2.5 m, gauge at 5 m"),
    ]
    channels = {}
    for ch, range_code in ((1, 1), (2, 6)):
        cal = CAL[ch]
        keys = [("RSRF", str(cal["RSRF"])), ("RP", str(cal["RP"]))]
        keys += [("VFS%d" % (i + 1), str(v)) for i, v in enumerate(cal["VFS"])]
        keys += [("KS%d" % (i + 1), str(v)) for i, v in enumerate(cal["KS"])]
        lo, hi = {1: (0.0, 5.0), 6: (-10.0, 10.0)}[range_code]
        keys += [("SelectCode", str(range_code)), ("MinVoltage", real(lo)),
                 ("MaxVoltage", real(hi)), ("VOD", "True" if range_code == 1 else "False")]
        if range_code == 1:
            keys.append(("dacVT", str(VOD_DAC)))
            keys += [("VT%d" % h, str(v)) for h, v in sorted(VT_TABLE.items())]
        keys += [("VS%d" % i, str(v)) for i, v in enumerate(vs[ch])]
        if range_code == 1:
            keys.append(("Unit resistance", real(UNIT_RESISTANCE).rstrip("0").rstrip(".")))
        channels[ch] = keys

    lines = ["[settings]"] + ["%s=%s" % kv for kv in settings]
    for ch in (1, 2):
        lines += ["[Channel%d]" % ch] + ["%s=%s" % kv for kv in channels[ch]]
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "samples")
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2026)
    vs = initial_codes(rng)
    with open(os.path.join(out, ROOT + ".raw"), "wb") as f:
        f.write(raw_bytes(rng))
    with open(os.path.join(out, ROOT + ".crv"), "w", newline="\n") as f:
        f.write(set_file_text(vs))


if __name__ == "__main__":
    main()
