#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Start-up benchmark: time from launch to the first mapped window, and resident
memory 2 s later, for daro and for a bare Qt main window, under Xvfb with a
private PulseAudio server. Prints medians and ratios; never fails on timing.

    bench/startup.py BUILD_DIR [--runs N] [--lesson-file FILE]

--lesson-file also starts daro with FILE as the learner's own lesson file
(~/.local/share/daro/Daruradazi.mdb in a home of its own), e.g. the 10,000-row
file that `bench_lessons --save FILE` keeps, and compares it with the bundled one.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display


def wait_for_map(disp, pid, timeout):
    root = disp.screen().root
    pid_atom = disp.intern_atom("_NET_WM_PID")
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        while disp.pending_events():
            ev = disp.next_event()
            if ev.type != X.MapNotify:
                continue
            try:
                prop = ev.window.get_full_property(pid_atom, X.AnyPropertyType)
            except Exception:
                continue
            if prop and prop.value and prop.value[0] == pid:
                return time.monotonic()
        time.sleep(0.0005)
    return None


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def measure(cmd, env, disp):
    t0 = time.monotonic()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t1 = wait_for_map(disp, proc.pid, 20)
    if t1 is None:
        proc.kill()
        proc.wait()
        raise RuntimeError(f"{cmd[0]} showed no window")
    time.sleep(2)
    rss = rss_kib(proc.pid)
    proc.terminate()
    proc.wait()
    return (t1 - t0) * 1000, rss / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--lesson-file")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    subprocess.run(["cmake", "--build", build, "--target", "daro", "bench_bare_window"], check=True,
                   stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="daro-bench-")
    xvfb = subprocess.Popen(["Xvfb", ":87", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pulse_dir = os.path.join(work, "pulse")
    try:
        out = subprocess.run([os.path.join(source, "tests/pulse-test-server.sh"), "start", pulse_dir],
                             check=True, capture_output=True, text=True).stdout.strip()
        env = dict(os.environ, DISPLAY=":87", XDG_RUNTIME_DIR=pulse_dir, HOME=work)
        env["PULSE_SERVER"] = out.split("=", 1)[1]
        env.pop("QT_QPA_PLATFORM", None)
        for _ in range(50):
            try:
                disp = display.Display(":87")
                break
            except Exception:
                time.sleep(0.1)
        disp.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        disp.sync()
        programs = {"daro": [os.path.join(build, "bin/daro")],
                    "bare QMainWindow": [os.path.join(build, "bin/bench_bare_window")]}
        envs = {name: env for name in programs}
        if args.lesson_file:
            own_home = os.path.join(work, "own")
            os.makedirs(os.path.join(own_home, ".local/share/daro"))
            shutil.copyfile(args.lesson_file, os.path.join(own_home, ".local/share/daro/Daruradazi.mdb"))
            programs["daro, own file"] = programs["daro"]
            envs["daro, own file"] = dict(env, HOME=own_home)
            envs["daro, own file"].pop("XDG_DATA_HOME", None)
        results = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, cmd in programs.items():
                results[name].append(measure(cmd, envs[name], disp))
        med = {name: (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
               for name, runs in results.items()}
        print(f"start-up, median of {args.runs} runs under Xvfb (lessons loaded, speech on a PulseAudio null sink)")
        print(f"{'program':<18}{'to window (ms)':>16}{'RSS after 2 s (MB)':>22}")
        for name, (ms, mb) in med.items():
            print(f"{name:<18}{ms:>16.1f}{mb:>22.1f}")
        d, b = med["daro"], med["bare QMainWindow"]
        print(f"ratio daro/bare: time {d[0] / b[0]:.2f}x (target <= 1.3x), memory +{d[1] - b[1]:.1f} MB (target <= 16 MB)")
        if args.lesson_file:
            o = med["daro, own file"]
            print(f"own lesson file {args.lesson_file} ({os.path.getsize(args.lesson_file)} bytes) against the bundled one: "
                  f"time {(o[0] / d[0] - 1) * 100:+.1f} % (target <= +10 %), memory {o[1] - d[1]:+.1f} MB")
    finally:
        subprocess.run([os.path.join(source, "tests/pulse-test-server.sh"), "stop", pulse_dir],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())
