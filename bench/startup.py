#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up cost of the batch renderer and the program: the CPU time (user +
# system) and peak memory (maximum resident set) of a 4x4 picture, of a clip
# of two 4x4 frames, of "pelmorix --version", and of the program up to its
# first window (offscreen, measured once it idles).
# Each figure is the median of several runs; give several program folders to
# compare builds in the same run:
#   bench/startup.py [--runs N] BIN_DIR [BIN_DIR ...]
import argparse
import os
import statistics
import subprocess
import tempfile
import time


def cpu_ms(argv, env):
    """CPU milliseconds of one run of argv to its end."""
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{' '.join(argv)} failed")
    return (usage.ru_utime + usage.ru_stime) * 1000


def peak_run_kb(argv, env, work):
    """Peak kB of one run of argv. A process forked from this script would
    count the script's own pages, so GNU time forks it."""
    out = f"{work}/time.txt"
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out] + argv, env=env, stdout=subprocess.DEVNULL, check=True)
    with open(out) as f:
        return int(f.read().split()[-1])


def measure(argv, env, work):
    return cpu_ms(argv, env), peak_run_kb(argv, env, work)


def task_cpu_ms(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            total += int(f.read().split()[0])
    return total / 1e6


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def measure_window(argv, env):
    """CPU milliseconds and peak kB of the program once its first window is up
    and it waits for events."""
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    last, idle = -1.0, 0
    while idle < 5:
        time.sleep(0.1)
        now = task_cpu_ms(proc.pid)
        idle = idle + 1 if now == last else 0
        last = now
    kb = peak_kb(proc.pid)
    proc.kill()
    proc.wait()
    return last, kb


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("bins", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=work, HOME=work)
        with open(f"{work}/a.frs", "w") as f:
            f.write("[Fractal]\nNumber=0\nW_Coord=2.8\n")
        spots = [f"{work}/a.frs", f"{work}/a.frs"]
        cases = {
            "4x4 picture": lambda b: measure([f"{b}/pelmorix-render", "--size", "4x4", "-o", f"{work}/a.png"], env, work),
            "clip of two 4x4 frames": lambda b: measure(
                [f"{b}/pelmorix-render", "--quiet", "--zoom-movie"] + spots + ["--frames", "1", "--size", "4x4", "-o",
                                                                              f"{work}/a.avi"], env, work),
            "pelmorix --version": lambda b: measure([f"{b}/pelmorix", "--version"], env, work),
            "pelmorix to first window": lambda b: measure_window([f"{b}/pelmorix"], env),
        }
        print(f"{'':28} {'CPU ms':>8} {'peak MB':>8}  (median of {args.runs})  folder")
        for name, run in cases.items():
            runs = max(3, args.runs // 3) if "window" in name else args.runs
            for b in args.bins:
                got = [run(os.path.abspath(b)) for _ in range(runs)]
                cpu = statistics.median(g[0] for g in got)
                mb = statistics.median(g[1] for g in got) / 1024
                print(f"{name:28} {cpu:8.1f} {mb:8.1f}  {b}")


if __name__ == "__main__":
    main()
