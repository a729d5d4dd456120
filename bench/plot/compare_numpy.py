#!/usr/bin/python3
"""corvane-cli plot against numpy + matplotlib, on the same machine and the same file.

Both sides draw a whole channel of the largest test (one slot, two channels of 12,582,912
14-bit samples, 48 MiB) into a 700 x 320 PNG with its titles, each started as a fresh
process, so both pay for their start-up, the reading of the set and data files, the
reduction to the drawn points, the drawing and the PNG encoding.

The numpy side does the same job the way a careful numpy user would:
  * np.memmap of the raw file, the channel's column of the (points, channels) records;
  * the 14-bit mask and the channel's linear code-to-volt table from the set file
    (T[c] = (Min + c * (Max - Min) / 16383 - VFS) / KS);
  * min/max decimation into the same buckets as ours (B = 2n div 24192 + 1 points, each
    bucket's minimum and maximum in time order), done on the codes and converted after,
    which is exact because the table rises with the code (otherwise every point is
    converted first);
  * a line plot of 700 x 320 pixels with the main title, subtitle and axis labels, the
    limits widened by 3 % like ours, saved as PNG through the Agg backend.

Usage:
  bench/plot/compare-with-numpy --cli build/pbench/apps/corvane-cli/corvane-cli [--runs 5]
      [--channel 1] [--data-dir DIR]

--data-dir keeps the test in DIR (written there when missing) so later runs reuse it;
without it the test is written into a temporary folder that is removed at the end, like
every other file the script makes.

Must run under Debian's /usr/bin/python3 (python3-numpy, python3-matplotlib).
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

POINTS = 12_582_912          # per channel
MAX_PLOT_POINTS = 24_192     # the most points a graph draws
WIDTH, HEIGHT = 700, 320
NUMPY_PYTHON = "/usr/bin/python3"

SET_FILE_TEXT = (
    "[settings]\nDataCollector=Corvane\nNrChannels=2\nSampleSpeedInHz=5000000\n"
    "PreTriggerPts=2516582\nOFL=-1\nCh1on=T\nCh2on=T\nTriggered=T\n"
    + "".join(
        f"[Channel{c}]\nSelectCode=2\nKS2=1000000\nVFS2=0\nMinVoltage=-10\nMaxVoltage=10\n"
        for c in (1, 2)
    )
)


# ---------------------------------------------------------------------------------------
# The test set
# ---------------------------------------------------------------------------------------

def write_large_test(folder):
    """Writes Big01.crv and Big01.raw: a noisy random walk on channel 1, a sine with noise on
    channel 2, from std::mt19937 seeded with 1 (numpy's legacy generator seeded with an
    integer is the same generator and gives the same 32-bit draws, in the same order as the
    C++ benchmarks draw them: walk step, then sine noise, point by point)."""
    import numpy as np

    draws = np.random.RandomState(1).randint(0, 2**32, size=2 * POINTS, dtype=np.uint32)
    steps = (draws[0::2] % 33).astype(np.int64) - 16
    noise = (draws[1::2] % 64).astype(np.int64)
    del draws

    # The walk is clamped to 0..16383 at every step, which a cumulative sum cannot do; walk
    # it in chunks and fall back to stepping only in chunks that touch a limit.
    walk = np.empty(POINTS, dtype=np.uint16)
    level = 8192
    chunk = 4096
    for start in range(0, POINTS, chunk):
        part = steps[start:start + chunk]
        path = level + np.cumsum(part)
        if path.min() >= 0 and path.max() <= 16383:
            walk[start:start + len(part)] = path
            level = int(path[-1])
            continue
        out = []
        for d in part.tolist():
            level = min(max(level + d, 0), 16383)
            out.append(level)
        walk[start:start + len(part)] = out

    sine = (8192 + 6000 * np.sin(np.arange(POINTS, dtype=np.float64) * 1e-5)).astype(np.int64)
    words = np.empty((POINTS, 2), dtype="<u2")
    words[:, 0] = walk
    words[:, 1] = (sine + noise).astype(np.uint16)

    raw = os.path.join(folder, "Big01.raw")
    crv = os.path.join(folder, "Big01.crv")
    words.tofile(raw + ".part")
    os.replace(raw + ".part", raw)
    with open(crv, "w", encoding="ascii") as f:
        f.write(SET_FILE_TEXT)
    return crv


def ensure_large_test(folder):
    crv = os.path.join(folder, "Big01.crv")
    raw = os.path.join(folder, "Big01.raw")
    if os.path.exists(crv) and os.path.exists(raw) and os.path.getsize(raw) == 4 * POINTS:
        return crv
    os.makedirs(folder, exist_ok=True)
    started = time.perf_counter()
    crv = write_large_test(folder)
    print(f"wrote the test in {time.perf_counter() - started:.1f} s: {crv}", flush=True)
    return crv


# ---------------------------------------------------------------------------------------
# The numpy + matplotlib side (run in its own process: `compare_numpy.py numpy-plot ...`)
# ---------------------------------------------------------------------------------------

def read_set_file(crv):
    import configparser

    ini = configparser.ConfigParser(interpolation=None)
    ini.optionxform = str.lower
    with open(crv, encoding="latin-1") as f:
        ini.read_file(f)
    return ini


def numpy_plot(crv, channel, out):
    import numpy as np
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    ini = read_set_file(crv)
    settings = ini["settings"]
    nr_channels = int(settings["nrchannels"])
    rate = float(settings["samplespeedinhz"])
    pre = int(settings["pretriggerpts"]) // nr_channels
    section = ini[f"Channel{channel}"]
    select = int(section["selectcode"])
    ks = int(section[f"ks{select}"]) / 1_000_000
    vfs = int(section[f"vfs{select}"]) * 0.000001
    vmin = float(section["minvoltage"])
    vmax = float(section["maxvoltage"])
    codes_all = np.arange(16384, dtype=np.float64)
    table = (vmin + codes_all * (vmax - vmin) / 16383 - vfs) / ks

    raw = os.path.splitext(crv)[0] + ".raw"
    words = np.memmap(raw, dtype="<u2", mode="r")
    n = words.size // nr_channels
    codes = words[: n * nr_channels].reshape(n, nr_channels)[:, channel - 1] & 0x3FFF

    # The buckets of our reduction: B points each, the minimum and maximum of each in time
    # order (a bucket whose minimum and maximum are the same point gives it once).
    bucket = max(2, (2 * n) // MAX_PLOT_POINTS + 1) if n > MAX_PLOT_POINTS - 1 else 1
    rising = bool(np.all(np.diff(table) >= 0))
    values = codes if rising else table[codes]
    full = (n // bucket) * bucket
    blocks = values[:full].reshape(-1, bucket)
    starts = np.arange(0, full, bucket)
    lo = starts + blocks.argmin(axis=1)
    hi = starts + (bucket - 1 - blocks[:, ::-1].argmax(axis=1))  # last of the largest
    if full < n:
        tail = values[full:]
        lo = np.append(lo, full + tail.argmin())
        hi = np.append(hi, full + (len(tail) - 1 - tail[::-1].argmax()))
    index = np.stack([np.minimum(lo, hi), np.maximum(lo, hi)], axis=1).ravel()
    keep = np.ones(index.size, dtype=bool)
    keep[1::2] = index[1::2] != index[0::2]
    index = index[keep]
    y = table[codes[index]] if rising else values[index]
    x = (index - pre) * (1000.0 / rate)  # ms; index is 0-based: t(i) = (i - 1 - P) Ts

    xmargin = 0.03 * abs(x[-1] - x[0])
    ymargin = 0.03 * abs(y.max() - y.min())
    if ymargin < 0.00002:
        ymargin = 0.001

    dpi = 100
    fig = plt.figure(figsize=(WIDTH / dpi, HEIGHT / dpi), dpi=dpi)
    ax = fig.add_subplot(1, 1, 1)
    ax.plot(x, y, linewidth=1, color="blue")
    ax.set_xlim(x[0] - xmargin, x[-1] + xmargin)
    ax.set_ylim(y.min() - ymargin, y.max() + ymargin)
    fig.suptitle(f"Channel {channel}", fontsize=11)
    ax.set_title("Voltage Data", fontsize=9)
    ax.set_xlabel("Time (ms)")
    ax.set_ylabel("Voltage (V)")
    ax.grid(True, linestyle=":", linewidth=0.6)
    fig.subplots_adjust(left=0.09, right=0.98, top=0.8, bottom=0.16)  # fixed: no layout pass
    fig.savefig(out, format="png", dpi=dpi)
    plt.close(fig)
    print(f"{index.size} points")


# ---------------------------------------------------------------------------------------
# Timing
# ---------------------------------------------------------------------------------------

def timed_run(argv, env):
    started = time.perf_counter()
    done = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, check=False)
    elapsed = time.perf_counter() - started
    if done.returncode != 0:
        raise SystemExit(f"{argv[0]} failed ({done.returncode}): {done.stderr.strip()}")
    return elapsed


def load_average():
    try:
        with open("/proc/loadavg", encoding="ascii") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"


def compare(args, folder, work):
    crv = ensure_large_test(folder)
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"
    env["VANTREL_HOME"] = os.path.join(work, "home")
    env["XDG_RUNTIME_DIR"] = os.path.join(work, "runtime")
    env["MPLBACKEND"] = "Agg"
    env["MPLCONFIGDIR"] = os.path.join(work, "mpl")  # its font cache, made in the warm-up
    for sub in ("home", "runtime", "mpl"):
        os.makedirs(os.path.join(work, sub), mode=0o700, exist_ok=True)

    ours = [args.cli, "plot", crv, "--channel", str(args.channel),
            "--out", os.path.join(work, "a.png")]
    theirs = [args.python, os.path.abspath(__file__), "numpy-plot", crv,
              "--channel", str(args.channel), "--out", os.path.join(work, "b.png")]

    print(f"load average before: {load_average()}", flush=True)
    timed_run(ours, env)      # warm-up: page cache, fonts, Qt plugins
    timed_run(theirs, env)    # warm-up: page cache, matplotlib font cache
    times_ours, times_theirs = [], []
    for _ in range(args.runs):  # interleaved, so both see the same load
        times_ours.append(timed_run(ours, env))
        times_theirs.append(timed_run(theirs, env))
    print(f"load average after:  {load_average()}")

    m_ours = statistics.median(times_ours)
    m_theirs = statistics.median(times_theirs)
    fmt = lambda ts: " ".join(f"{t * 1000:.0f}" for t in ts)
    print(f"corvane-cli plot      median {m_ours * 1000:8.1f} ms  runs (ms): {fmt(times_ours)}")
    print(f"numpy + matplotlib    median {m_theirs * 1000:8.1f} ms  runs (ms): {fmt(times_theirs)}")
    ratio = m_theirs / m_ours
    print(f"ratio numpy/ours: {ratio:.2f} (target at least 5)")
    if args.keep_images:
        for name in ("a.png", "b.png"):
            shutil.copy(os.path.join(work, name), os.path.join(args.keep_images, name))
    return 0 if ratio >= 5 else 2


def main(argv):
    if len(argv) > 1 and argv[1] == "numpy-plot":
        p = argparse.ArgumentParser(prog="compare_numpy.py numpy-plot")
        p.add_argument("setfile")
        p.add_argument("--channel", type=int, default=1)
        p.add_argument("--out", required=True)
        a = p.parse_args(argv[2:])
        numpy_plot(a.setfile, a.channel, a.out)
        return 0

    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--cli", required=True, help="the corvane-cli program")
    p.add_argument("--runs", type=int, default=5, help="timed runs of each (after a warm-up)")
    p.add_argument("--channel", type=int, default=1, choices=(1, 2))
    p.add_argument("--data-dir", help="keep (and reuse) the test in this folder")
    p.add_argument("--python", default=NUMPY_PYTHON, help="the Python with numpy/matplotlib")
    p.add_argument("--keep-images", metavar="DIR", help="copy both images into DIR")
    args = p.parse_args(argv[1:])
    args.cli = os.path.abspath(args.cli)
    if not os.access(args.cli, os.X_OK):
        raise SystemExit(f"not a program: {args.cli}")
    if args.runs < 1:
        raise SystemExit("--runs must be at least 1")

    # A terminated run still removes its temporary folder.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    with tempfile.TemporaryDirectory(prefix="vantrel-compare-") as work:
        folder = os.path.abspath(args.data_dir) if args.data_dir else os.path.join(work, "test")
        return compare(args, folder, work)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
