#!/usr/bin/env python3
"""Wake-ups of the idle rmtray.exe under Wine over 60 s after its first
display: the voluntary and involuntary context switches of its threads
(/proc/PID/task/*/status) at the start and end of the window. The trivial
program with one hidden dialog runs over the same window for comparison.
Prints figures only; fails only when it cannot measure.

    idle_wakeups.py BUILD_DIR

The first display comes 5 s after start and creates the named event of the
firmware watcher; the window starts 1 s after that event can be opened. When
it does not appear within 20 s, the window starts 6 s after start.
"""
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

# Every Windows program runs in the Wine 10 root (see Program for which
# process is the program's).
WINE = [str(Path(__file__).resolve().parents[3] / "scripts/wine10"), "wine"]
EVENT = r"Global\VtqWmiBiosWirelessEvent"
EVENT_LIMIT_S = 20.0
AFTER_EVENT_S = 1.0
WITHOUT_EVENT_S = 6.0
WINDOW_S = 60.0
END_LIMIT_S = 15.0


def wine_environment(source, build):
    subprocess.run([str(source / "scripts/wine-env.sh"), "up", str(build)], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=600)
    dump = subprocess.run(["bash", "-c", '. "$1" && env -0', "-", str(build / "wine/env")],
                          check=True, capture_output=True, timeout=30).stdout
    return dict(item.split("=", 1) for item in dump.decode().split("\0") if "=" in item)


def wine(env, exe, *args, timeout=60):
    return subprocess.run([*WINE, str(exe), *args], env=env, stdin=subprocess.DEVNULL,
                          timeout=timeout).returncode


def wait_until(condition, limit_s, step_s=0.05):
    end = time.monotonic() + limit_s
    while True:
        if condition():
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(step_s)


def sleep_until(moment):
    time.sleep(max(0.0, moment - time.monotonic()))


class Program:
    """A Windows program started as `wine10 wine EXE`. The loader hands the
    program to start.exe, which starts it as a Unix process of its own and
    waits for it; that process carries the program's command line and image
    and the prefix's WINEPREFIX, and is found among the processes new since
    the start."""

    def __init__(self, env, exe):
        self.exe = Path(exe).resolve()
        self.name = self.exe.name
        self.prefix = env["WINEPREFIX"]
        self.known = set(self.candidates())
        self.popen = subprocess.Popen([*WINE, str(self.exe)], env=env, stdin=subprocess.DEVNULL)
        self.pid = None
        self.started = time.monotonic()

    def candidates(self):
        for entry in os.listdir("/proc"):
            if entry.isdigit() and self.is_the_program(int(entry)):
                yield int(entry)

    def is_the_program(self, pid):
        try:
            argv0 = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode()
            if argv0.replace("\\", "/").rsplit("/", 1)[-1].lower() != self.name.lower():
                return False
            environ = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
            maps = Path(f"/proc/{pid}/maps").read_text()
        except (FileNotFoundError, ProcessLookupError, PermissionError, UnicodeDecodeError):
            return False
        return f"WINEPREFIX={self.prefix}".encode() in environ \
            and any(line.endswith(str(self.exe)) for line in maps.splitlines())

    def found(self):
        """Whether the program's own process is known (looked for once more)."""
        if self.pid is None:
            new = sorted(set(self.candidates()) - self.known)
            self.pid = new[0] if new else None
        return self.pid is not None

    def running(self):
        if self.pid is not None:
            return os.path.exists(f"/proc/{self.pid}") and self.is_the_program(self.pid)
        return self.popen.poll() is None

    def switches(self):
        """{tid: (name, voluntary, involuntary)} of the threads now."""
        threads = {}
        for tid in os.listdir(f"/proc/{self.pid}/task"):
            try:
                lines = Path(f"/proc/{self.pid}/task/{tid}/status").read_text().splitlines()
            except (FileNotFoundError, ProcessLookupError):
                continue
            fields = dict(line.split(":", 1) for line in lines if ":" in line)
            threads[int(tid)] = (fields["Name"].strip(), int(fields["voluntary_ctxt_switches"]),
                                 int(fields["nonvoluntary_ctxt_switches"]))
        return threads

    def stop(self, env, tool):
        """Command 1 to its hidden window; killed by pid only if it does not end."""
        if self.running():
            try:
                wine(env, tool, "end", self.name, str(int(END_LIMIT_S * 1000)), timeout=END_LIMIT_S + 30)
            except subprocess.TimeoutExpired:
                pass
            if not wait_until(lambda: not self.running(), END_LIMIT_S) and self.pid is not None:
                print(f"{self.name} (pid {self.pid}) did not end on command 1; killed")
                try:
                    os.kill(self.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        try:
            self.popen.wait(timeout=END_LIMIT_S)
        except subprocess.TimeoutExpired:
            self.popen.kill()
            self.popen.wait()


def report(program, before, after, window_from):
    total_v = total_n = 0
    lines = []
    for tid in sorted(set(before) | set(after)):
        if tid not in after:
            lines.append(f"    tid {tid:<7} {before[tid][0]:<16} ended during the window (not counted)")
            continue
        name, v1, n1 = after[tid]
        _, v0, n0 = before.get(tid, (name, 0, 0))
        note = "" if tid in before else "  (started during the window)"
        total_v += v1 - v0
        total_n += n1 - n0
        lines.append(f"    tid {tid:<7} {name:<16} {v1 - v0 + n1 - n0:>6}"
                     f"   (voluntary {v1 - v0}, involuntary {n1 - n0}){note}")
    print(f"  {program.name} (unix pid {program.pid}), {window_from}:")
    print(f"    wake-ups in {WINDOW_S:.0f} s: {total_v + total_n}"
          f"   (voluntary {total_v}, involuntary {total_n}; threads: {len(after)})")
    print("\n".join(lines))


def measure(env, build, tools):
    tool = tools / "tray_bench.exe"
    if wine(env, build / "fwsim/fwsim.exe", "profile", "both") != 0:
        print("fwsim profile both failed")
        return 1
    tray = Program(env, build / "tray/rmtray.exe")
    trivial = Program(env, tools / "tray_bench_idle_window.exe")
    started = [tray, trivial]
    try:
        for p in started:
            if not wait_until(lambda: p.found() or p.popen.poll() is not None, 15) or not p.found():
                print(f"{p.name}: no process of its own appeared within 15 s (wine ended: {p.popen.poll() is not None})")
                return 1
            print(f"{p.name}: unix pid {p.pid} runs it (its image is mapped there, its command line is the program's)")

        limit_ms = int(max(0.0, tray.started + EVENT_LIMIT_S - time.monotonic()) * 1000)
        waiter = subprocess.Popen([*WINE, str(tool), "wait-event", EVENT, str(limit_ms)], env=env,
                                  stdin=subprocess.DEVNULL)
        sleep_until(tray.started + WITHOUT_EVENT_S)
        early = (tray.switches(), trivial.switches())
        try:
            seen = waiter.wait(timeout=EVENT_LIMIT_S + 30) == 0
        except subprocess.TimeoutExpired:
            waiter.kill()
            waiter.wait()
            seen = False
        if seen:
            seen_at = time.monotonic() - tray.started
            print(f"first display seen: {EVENT} opened {seen_at:.1f} s after start")
            sleep_until(tray.started + seen_at + AFTER_EVENT_S)
            window_start = time.monotonic()
            before = (tray.switches(), trivial.switches())
            window_from = f"from {seen_at + AFTER_EVENT_S:.1f} s after start (1 s after the first display)"
        else:
            print(f"first display not seen: {EVENT} did not appear within {EVENT_LIMIT_S:.0f} s")
            window_start = tray.started + WITHOUT_EVENT_S
            before = early
            window_from = f"from {WITHOUT_EVENT_S:.1f} s after start (first display not seen)"
        for p in started:
            if not p.running():
                # A second rmtray in the logon ends at once.
                print(f"{p.name} ended early; not measured")
                return 1
        sleep_until(window_start + WINDOW_S)
        after = (tray.switches(), trivial.switches())
        for p in started:
            if not p.running():
                print(f"{p.name} ended during the window")
                return 1

        print(f"Wake-ups of the idle programs' threads over {WINDOW_S:.0f} s "
              "(voluntary + involuntary context switches):")
        report(tray, before[0], after[0], window_from)
        report(trivial, before[1], after[1], "over the same window")
        return 0
    finally:
        for p in started:
            p.stop(env, tool)


def main():
    sys.stdout.reconfigure(line_buffering=True)
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    source = Path(__file__).resolve().parents[3]
    build = Path(sys.argv[1]).resolve()
    tools = build / "tests/bench/tray"
    for needed in (build / "tray/rmtray.exe", build / "fwsim/fwsim.exe", tools / "tray_bench.exe",
                   tools / "tray_bench_idle_window.exe"):
        if not needed.is_file():
            print(f"not built: {needed}")
            return 1
    return measure(wine_environment(source, build), build, tools)


if __name__ == "__main__":
    sys.exit(main())
