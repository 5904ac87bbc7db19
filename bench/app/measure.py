#!/usr/bin/env python3
"""Measurements of bench/app/run, on the X server of $DISPLAY. Usage: measure.py BUILD WORK"""
import os
import shutil
import statistics
import subprocess
import sys
import time

BUILD, WORK = sys.argv[1], sys.argv[2]
RUNS = int(os.environ.get("RUNS", "3"))
SIZE_MB = int(os.environ.get("SIZE_MB", "1024"))
STARTUP = f"{BUILD}/bench/app/bench_app_startup"
INSTALLER = f"{BUILD}/app/kiv-installer"
EXTRACT = f"{BUILD}/tools/kiv-extract/kiv-extract"
FIXTURE = f"{BUILD}/tools/rarfixture/rarfixture"
TITLE = "KIV INSTALLER 2000"
# Noticing the result message costs the poll's half step on average; the click is not counted.
POLL_COST = 0.025


def env(home):
    e = dict(os.environ, HOME=home, QT_QPA_PLATFORM="xcb")
    return e


def window(name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                       capture_output=True, text=True)
    return r.stdout.split()[0] if r.returncode == 0 and r.stdout.split() else None


def wait_for(test, limit, step=0.02):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        time.sleep(step)
    raise RuntimeError("timed out")


def release(folder):
    os.makedirs(folder, exist_ok=True)
    with open(f"{folder}/kiv.ini", "w") as ini:
        ini.write("[KIV]\nFirstDisk=set.rar\nRelease=Bench Release\nDate=2026\nDisks=1\n"
                  "DiskSize=1\n" + "".join(f"InfoLine{n}=line {n}\n" for n in range(1, 21)))


def startup(mode, folder, home):
    start = time.monotonic_ns()
    out = subprocess.run([STARTUP, mode], cwd=folder, env=env(home), capture_output=True,
                         text=True, timeout=60).stdout
    values = dict(line.split() for line in out.splitlines() if line.strip())
    return (int(values["painted-ns"]) - start) / 1e6, int(values["peak-kib"])


def installer_peak(folder, home):
    shutil.copy(INSTALLER, f"{folder}/kiv-installer")
    process = subprocess.Popen([f"{folder}/kiv-installer"], cwd=folder, env=env(home),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for(lambda: window(TITLE), 30)
        time.sleep(1.0)  # the scrolling text running, as a user sees it
        with open(f"/proc/{process.pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    finally:
        process.kill()
        process.wait()
    return -1


def click(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)


def geometry(win):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", win],
                         capture_output=True, text=True, check=True).stdout
    values = dict(line.split("=") for line in out.split())
    return int(values["X"]), int(values["Y"])


def clean(folder, keep):
    for name in os.listdir(folder):
        if name not in keep:
            path = os.path.join(folder, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)


def unpack_window(folder, home, keep):
    process = subprocess.Popen([f"{folder}/kiv-installer"], cwd=folder, env=env(home),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        win = wait_for(lambda: window(TITLE), 30)
        time.sleep(0.5)
        x, y = geometry(win)
        start = time.monotonic()
        click(x + 346, y + 291)
        box = wait_for(lambda: window("Information") or window("Warning"), 600, 0.05)
        seconds = time.monotonic() - start
        if window("Warning"):
            raise RuntimeError("the window reported failures")
        subprocess.run(["xdotool", "windowfocus", "--sync", box, "key", "Return"],
                       stderr=subprocess.DEVNULL)
        return seconds - POLL_COST
    finally:
        process.kill()
        process.wait()
        clean(folder, keep)


def unpack_tool(folder, out):
    os.makedirs(out, exist_ok=True)
    start = time.monotonic()
    subprocess.run([EXTRACT, f"{folder}/set.rar", out + "/"], stdout=subprocess.DEVNULL,
                   check=True)
    seconds = time.monotonic() - start
    shutil.rmtree(out)
    return seconds


def main():
    home = f"{WORK}/home"
    os.makedirs(home, exist_ok=True)
    rel = f"{WORK}/release"
    release(rel)

    rows = {"--installer": [], "--qt": []}
    for _ in range(7):
        for mode in rows:
            rows[mode].append(startup(mode, rel, home))
    ms = {m: statistics.median(v[0] for v in r) for m, r in rows.items()}
    kib = {m: max(v[1] for v in r) for m, r in rows.items()}
    real_peak = installer_peak(rel, home)
    print("start-up to the first painted frame (median of 7):")
    print(f"  installer windows {ms['--installer']:.1f} ms, plain Qt window {ms['--qt']:.1f} ms,"
          f" ratio {ms['--installer'] / ms['--qt']:.2f}")
    print("peak resident memory:")
    print(f"  installer windows {kib['--installer'] / 1024:.1f} MiB, plain Qt window "
          f"{kib['--qt'] / 1024:.1f} MiB, ratio {kib['--installer'] / kib['--qt']:.2f}")
    print(f"  kiv-installer itself, window up for 1 s: {real_peak / 1024:.1f} MiB")

    data = f"{WORK}/data"
    os.makedirs(data, exist_ok=True)
    per_file = SIZE_MB // 8
    for i in range(8):
        subprocess.run(f"head -c {per_file << 20} /dev/urandom > {data}/file{i}.bin", shell=True,
                       check=True)
    subprocess.run([FIXTURE, "--format", "4", "--naming", "old", "--volume-size",
                    str(100 << 20), f"{rel}/set.rar", "--dir", data], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.rmtree(data)
    keep = set(os.listdir(rel))
    window_s, tool_s = [], []
    # Each run starts with no dirty pages of the one before (sync, untimed), in turns of order.
    for run in range(RUNS):
        for which in ((0, 1) if run % 2 == 0 else (1, 0)):
            os.sync()
            if which == 0:
                tool_s.append(unpack_tool(rel, f"{WORK}/out"))
            else:
                window_s.append(unpack_window(rel, home, keep))
    best_w, best_t = min(window_s), min(tool_s)
    print(f"Unpack of a {SIZE_MB} MiB stored set (best of {RUNS}):")
    print(f"  through the window {best_w:.2f} s, kiv-extract {best_t:.2f} s, "
          f"ratio {best_w / best_t:.3f} (the window adds {100 * (best_w / best_t - 1):.1f} %)")


if __name__ == "__main__":
    main()
