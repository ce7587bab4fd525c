#!/usr/bin/env python3
"""Footprint of Zeb.exe at rest under Wine, beside Wine's own notepad as the
floor. Both run in the same prefix, one after the other, and are measured the
same way from Linux's view of their processes (/proc), so every figure
includes what Wine itself costs.

    footprint.py --build build/win32 [--idle-seconds N] [--settle-seconds N]

Expects WINEPREFIX and DISPLAY (scripts/test.sh provides both). The idle
window defaults to 60 s (ZEB_FOOTPRINT_SECONDS or --idle-seconds); CPU is
scaled to milliseconds per minute whatever its length. A report, not a test:
it fails only when Zeb cannot be started. With ZEB_ARTIFACTS set, the figures
are also written to $ZEB_ARTIFACTS/footprint.json.

Both programs start alike: Wine's desktop process (explorer) has ended
before each starts, so each brings it up, instead of the first one alone
paying for it.

Signals, in seconds from the start:
  window on screen  the first screenshot of the root window in which at least
                    40 rows differ from one taken before the start;
  quote request     when the fake quote service received it (its own clock,
                    the system's monotonic one);
  page written      the page file holds a whole table ("</table>"), polled
                    every 10 ms;
  first table       a screenshot after that shows it: the pale background,
                    the blue name links and the green rows of the fake
                    service's rising indices. The screenshots come every
                    100 ms or so, so screen times are upper bounds by that much.
Idle (window shown, then hidden with the hot key): the settings ask for no
timed refresh (interval 0: one attempt an hour), the mouse stays away from
the window and the window is not transparent (no hover timer). CPU is the sum
of the threads' run time (/proc/PID/task/*/schedstat); wake-ups are their
voluntary and involuntary context switches (/proc/PID/task/*/status), given
apart for the program's own threads and for the threads Wine starts inside
it on its own (named "wine_...", such as WinInet's connection collector).
Memory: VmRSS and Private_Clean + Private_Dirty of /proc/PID/smaps_rollup;
the clean part moves with how many other processes map the same DLL pages,
the dirty part is the program's own.
"""
import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import e2elib as e2e  # noqa: E402  (settings blocks, the probe and the fake service)
from appnames import ID_EXIT, QUOTE_HOST, SHOW_HOTKEY_ID, STOCK_LIST, VENDOR_HOST, WM_HOTKEY  # noqa: E402

FLOOR_NOTE = ("Wine's floor is included in every figure: compare Zeb with the notepad column "
              "(Wine's own notepad, same prefix, same measurement), not with Windows.")


# ---- /proc

def read(path, binary=False):
    try:
        with open(path, "rb" if binary else "r") as f:
            return f.read()
    except OSError:
        return None


def prefix_of(pid):
    environ = read("/proc/%d/environ" % pid, binary=True) or b""
    for entry in environ.split(b"\0"):
        if entry.startswith(b"WINEPREFIX="):
            return os.path.realpath(entry[len(b"WINEPREFIX="):].decode(errors="replace"))
    return None


def image_name(pid):
    """The program a Wine process runs, from its command line ("C:\\...\\Zeb.exe")."""
    cmdline = read("/proc/%d/cmdline" % pid, binary=True) or b""
    first = cmdline.split(b"\0")[0].decode(errors="replace").strip()
    return first.replace("\\", "/").rsplit("/", 1)[-1].lower()


def prefix_processes(prefix):
    """pid -> program name of every process of the prefix."""
    found = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit() and prefix_of(int(entry)) == prefix:
            found[int(entry)] = image_name(int(entry))
    return found


def find_process(prefix, program, timeout=20.0):
    program = program.lower()
    deadline = time.time() + timeout
    while True:
        for pid, name in prefix_processes(prefix).items():
            if name == program:
                return pid
        if time.time() >= deadline:
            return None
        time.sleep(0.05)


def wineserver_pid(prefix):
    for pid, name in prefix_processes(prefix).items():
        if name.startswith("wineserver"):
            return pid
    return None


def threads(pid):
    """tid -> (name, run time in ns, context switches)."""
    result = {}
    for task in glob.glob("/proc/%d/task/*" % pid):
        status = read(task + "/status")
        schedstat = read(task + "/schedstat")
        if status is None or schedstat is None:
            continue
        fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
        switches = int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"])
        result[int(os.path.basename(task))] = (fields["Name"].strip(), int(schedstat.split()[0]), switches)
    return result


def memory_kb(pid):
    status = read("/proc/%d/status" % pid) or ""
    rollup = read("/proc/%d/smaps_rollup" % pid) or ""
    values = {}
    for line in (status + rollup).splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[1].isdigit():
            values[parts[0].rstrip(":")] = int(parts[1])
    return {"rss_kb": values.get("VmRSS"),
            "private_kb": values.get("Private_Clean", 0) + values.get("Private_Dirty", 0) if rollup else None,
            "private_dirty_kb": values.get("Private_Dirty")}


def registry_saved(prefix):
    """When the wineserver last wrote the prefix's registry files."""
    return max((os.stat(f).st_mtime for f in glob.glob(os.path.join(prefix, "*.reg"))), default=0)


def wine_thread(name):
    """Threads Wine starts in a program on its own carry names of Wine's."""
    return name.startswith("wine_")


def cpu_ns(pids):
    return sum(t[1] for pid in pids for t in threads(pid).values())


def idle_window(pid, prefix, seconds):
    """Memory at the start, then CPU and wake-ups of the program over the
    window, per thread too; the wineserver and the prefix's other processes
    (explorer, services, ...) beside it."""
    server = wineserver_pid(prefix)
    others = [p for p, name in prefix_processes(prefix).items()
              if p not in (pid, server) and name not in ("start.exe", "wine", "wine64", "")]
    servers = [server] if server else []
    memory = memory_kb(pid)
    before, server_before, others_before = threads(pid), cpu_ns(servers), cpu_ns(others)
    saved = registry_saved(prefix)
    started = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - started
    after, server_after, others_after = threads(pid), cpu_ns(servers), cpu_ns(others)
    per_minute = 60.0 / elapsed / 1e6
    server_cpu = round((server_after - server_before) * per_minute, 2) if server else None
    # A registry save (the wineserver writes its files some seconds after a
    # change) lands in the wineserver's figure: it is marked.
    result = dict(seconds=round(elapsed, 1), wineserver_cpu_ms_per_min=server_cpu,
                  registry_saved=registry_saved(prefix) != saved,
                  others_cpu_ms_per_min=round((others_after - others_before) * per_minute, 2))
    per_thread = []
    for tid, (name, run, switches) in sorted(after.items()):
        _, run0, switches0 = before.get(tid, (name, 0, 0))
        per_thread.append({"tid": tid, "name": name, "cpu_ms_per_min": round((run - run0) * per_minute, 2),
                           "wakeups_per_s": round((switches - switches0) / elapsed, 2),
                           "main": tid == pid, "new": tid not in before})
    own = [t for t in per_thread if not wine_thread(t["name"])]
    return dict(result, **memory,
                cpu_ms_per_min=round(sum(t["cpu_ms_per_min"] for t in per_thread), 2),
                wakeups_per_s=round(sum(t["wakeups_per_s"] for t in per_thread), 2),
                own_wakeups_per_s=round(sum(t["wakeups_per_s"] for t in own), 3),
                own_wakeups_per_min=round(sum(t["wakeups_per_s"] for t in own) * 60, 1),
                wine_wakeups_per_s=round(sum(t["wakeups_per_s"] for t in per_thread if t not in own), 3),
                threads_ended=len(set(before) - set(after)),
                threads=per_thread)


# ---- the screen

def screenshot():
    """The root window as raw RGB rows, or None without ImageMagick."""
    try:
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True,
                             timeout=10).stdout
    except (OSError, subprocess.TimeoutExpired):
        return None
    return out or None


def changed_rows(shot, baseline, width):
    row = width * 3
    size = min(len(shot), len(baseline))
    return sum(1 for i in range(0, size, row) if shot[i:i + row] != baseline[i:i + row])


def shows_table(shot):
    # Counts of the page's own colours; a pattern may straddle two pixels now
    # and then, which the thresholds absorb.
    return (shot.count(bytes.fromhex("FFFFE6")) > 185 * 97 // 2 and shot.count(bytes.fromhex("0000FF")) > 50
            and shot.count(bytes.fromhex("009900")) > 20)


def screen_width():
    out = subprocess.run(["identify", "-format", "%w", "x:root"], capture_output=True, text=True).stdout
    return int(out) if out.strip().isdigit() else 1024


# ---- the two programs

def start_watch(command, prefix, program, baseline, width, table=None, timeout=30.0):
    """Starts a Wine program and follows it to its first window (and, for Zeb,
    its first table). Returns (process, pid, times in seconds from the start)."""
    times = {}
    e2e.probe("cursor", 1010, 760)  # also keeps the mouse away from the window
    t0 = time.monotonic()
    process = subprocess.Popen(command, cwd="/", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stop = threading.Event()

    def watch_page():
        # The page file, often, beside the screenshots.
        while not stop.is_set() and "page_s" not in times:
            if table["page_done"]():
                times["page_s"] = round(time.monotonic() - t0, 3)
            stop.wait(0.01)

    watcher = threading.Thread(target=watch_page) if table else None
    if watcher:
        watcher.start()
    pid = None
    deadline = t0 + timeout
    try:
        while time.monotonic() < deadline:
            if pid is None:
                pid = find_process(prefix, program, timeout=0)
            shot = screenshot() if baseline else None
            if shot:
                now = time.monotonic() - t0
                if "window_s" not in times and changed_rows(shot, baseline, width) >= 40:
                    times["window_s"] = round(now, 3)
                if table and "page_s" in times and "table_s" not in times and shows_table(shot):
                    times["table_s"] = round(now, 3)
            done = "window_s" in times or not baseline
            if table:
                done = "table_s" in times or (not baseline and "page_s" in times)
            if pid and done:
                break
            time.sleep(0.02)
    finally:
        stop.set()
        if watcher:
            watcher.join()
    if table:
        sent = table["request_at"]()
        if sent is not None:
            times["request_s"] = round(sent - t0, 3)
    return process, pid, times


def desktop_closed(prefix, timeout=20.0):
    """Waits until Wine's desktop process (explorer) of the prefix has ended,
    as it does a few seconds after the last program with windows: each
    measured program then starts alike and brings it up itself."""
    deadline = time.time() + timeout
    while "explorer.exe" in prefix_processes(prefix).values() and time.time() < deadline:
        time.sleep(0.2)


def run_zeb(build, prefix, service, settle, seconds, width):
    folder = tempfile.mkdtemp(prefix="zeb-footprint-")
    exe = os.path.join(folder, "Zeb.exe")
    shutil.copy(os.path.join(build, "Zeb.exe"), exe)
    # No timed refresh: interval 0 means one attempt an hour. Not transparent,
    # so no hover timer; the default options (always on top, title on hover).
    with open(os.path.join(folder, "zeb.ini"), "w", newline="\r\n") as f:
        f.write("\n".join(["[UserSet]", "ss=" + e2e.ss_block(refresh=0), "su=" + e2e.su_block(),
                           "sp=" + e2e.sp_block(), "fontsize=1", "version=2", "[WinStat]",
                           "wstat=" + e2e.wstat_block(0, 0, 0, 0, 0)]) + "\n")
    pages = os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "Microsoft", "Windows",
                         "INetCache", "zebtmp.htm")
    for page in glob.glob(pages):
        os.remove(page)

    def page_done():
        return any(b"</table>" in (read(p, binary=True) or b"") for p in glob.glob(pages))

    def request_at():
        sent = service.requests()
        return sent[0].get("at") if sent else None

    table = {"request_at": request_at, "page_done": page_done}
    result = {"notes": []}
    desktop_closed(prefix)
    baseline = screenshot()
    process, pid, times = start_watch(["wine", exe], prefix, "zeb.exe", baseline, width, table)
    try:
        result["start"] = times
        if not pid or "page_s" not in times:
            return None, "Zeb did not start: process %s, signals %s" % (pid, times)
        if baseline and "table_s" not in times:
            result["notes"].append("the table was written but not seen on screen")
        time.sleep(settle)
        result["shown"] = idle_window(pid, prefix, seconds)
        result["shown"]["requests"] = len(service.requests())
        e2e.probe("send", WM_HOTKEY, SHOW_HOTKEY_ID, 0)  # the show/hide hot key
        if e2e.probe("window").get("visible") != "0":
            result["notes"].append("the hot key did not hide the window")
        time.sleep(settle)
        result["hidden"] = idle_window(pid, prefix, seconds)
        result["hidden"]["requests"] = len(service.requests())
        return result, None
    finally:
        e2e.probe("post-command", ID_EXIT)
        try:
            process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            if pid and prefix_of(pid) == prefix:
                os.kill(pid, 9)
            process.wait()
        shutil.rmtree(folder, ignore_errors=True)


def run_notepad(prefix, settle, seconds, width):
    desktop_closed(prefix)
    baseline = screenshot()
    process, pid, times = start_watch(["wine", "notepad"], prefix, "notepad.exe", baseline, width)
    try:
        if not pid:
            return None
        time.sleep(settle)
        return {"start": times, "shown": idle_window(pid, prefix, seconds)}
    finally:
        if pid and prefix_of(pid) == prefix:
            os.kill(pid, 15)
        try:
            process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# ---- the report

def fixed(value, digits=1):
    return "n/a" if value is None else "%.*f" % (digits, value)


def table(zeb, notepad, seconds):
    """The report: one column per program and state, the busy threads below."""
    notepad = notepad or {}
    columns = [("Zeb shown", zeb.get("shown", {}), zeb.get("start", {})),
               ("notepad shown", notepad.get("shown", {}), notepad.get("start", {})),
               ("Zeb hidden", zeb.get("hidden", {}), None)]

    def start_row(label, render):
        return [label] + [render(start) if start else "" for _, _, start in columns]

    def idle_row(label, render):
        return [label] + [render(idle) if idle else "n/a" for _, idle, _ in columns]

    def mb(key):
        return lambda idle: fixed(idle[key] / 1024 if idle.get(key) is not None else None)

    grid = [[""] + [name for name, _, _ in columns],
            start_row("start -> window on screen (s)", lambda st: fixed(st.get("window_s"), 2)),
            start_row("start -> first table on screen (s)",
                      lambda st: fixed(st.get("table_s"), 2) if "page_s" in st else ""),
            start_row("  quote request received / page written (s)",
                      lambda st: "%s / %s" % (fixed(st.get("request_s"), 2), fixed(st.get("page_s"), 2))
                      if "page_s" in st else ""),
            idle_row("resident memory VmRSS (MB)", mb("rss_kb")),
            idle_row("private memory (MB)", mb("private_kb")),
            idle_row("  of which dirty (MB)", mb("private_dirty_kb")),
            idle_row("CPU (ms per idle minute)", lambda idle: fixed(idle["cpu_ms_per_min"])),
            idle_row("wake-ups per second, all threads", lambda idle: fixed(idle["wakeups_per_s"])),
            idle_row("  the program's own threads, per second",
                     lambda idle: fixed(idle.get("own_wakeups_per_s"), 2)),
            idle_row("  the program's own threads, per minute",
                     lambda idle: fixed(idle.get("own_wakeups_per_min"))),
            idle_row("  Wine's threads in it, per second", lambda idle: fixed(idle.get("wine_wakeups_per_s"), 2)),
            idle_row("threads", lambda idle: str(len(idle["threads"]))),
            idle_row("wineserver CPU (ms per minute)", lambda idle: fixed(idle["wineserver_cpu_ms_per_min"])
                     + (" *" if idle["registry_saved"] else "")),
            idle_row("other Wine processes CPU (ms/min)", lambda idle: fixed(idle["others_cpu_ms_per_min"]))]
    widths = [max(len(r[i]) for r in grid) for i in range(len(grid[0]))]
    lines = ["  ".join([r[0].ljust(widths[0])] + [v.rjust(w) for v, w in zip(r[1:], widths[1:])])
             for r in grid]
    lines.append("Idle windows of %g s, scaled per minute. Notepad cannot be hidden from outside: a hidden "
                 "Zeb compares with notepad shown. Other Wine processes: the prefix's explorer, services "
                 "and the like. *: the wineserver saved the registry files in that window." % seconds)
    for name, idle in (("Zeb shown", zeb.get("shown")), ("Zeb hidden", zeb.get("hidden"))):
        if idle:
            woke = sorted((t for t in idle["threads"] if t["wakeups_per_s"]),
                          key=lambda t: -t["wakeups_per_s"])
            lines.append("%s, threads that woke: %s" % (name, ", ".join(
                "%s[%d%s] %.1f/s %.1f ms/min" % (t["name"], t["tid"], ", main" if t["main"] else "",
                                                  t["wakeups_per_s"], t["cpu_ms_per_min"])
                for t in woke) or "none"))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "win32"))
    parser.add_argument("--idle-seconds", type=float,
                        default=float(os.environ.get("ZEB_FOOTPRINT_SECONDS", 60)))
    parser.add_argument("--settle-seconds", type=float, default=5.0,
                        help="wait after the first table and after hiding, before measuring")
    args = parser.parse_args()
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("footprint.py needs WINEPREFIX and DISPLAY (scripts/test.sh sets them)")
    build = os.path.abspath(args.build)
    if not os.path.isfile(os.path.join(build, "Zeb.exe")):
        sys.exit("no Zeb.exe in " + build)
    prefix = os.path.realpath(os.environ["WINEPREFIX"])
    e2e.use_build(build)

    service = e2e.QuoteService()
    try:
        for name in (STOCK_LIST, VENDOR_HOST, QUOTE_HOST):
            e2e.probe("reg-set", name, "-")
        e2e.point_at_fakes(service.port, vendor_host=None)
        service.get("/_reset")
        width = screen_width()
        zeb, error = run_zeb(build, prefix, service, args.settle_seconds, args.idle_seconds, width)
        if error:
            print(error)
            return 1
        notepad = run_notepad(prefix, args.settle_seconds, args.idle_seconds, width)
    finally:
        service.stop()

    print(table(zeb, notepad, args.idle_seconds))
    print(FLOOR_NOTE)
    for note in zeb["notes"] + ([] if notepad else ["notepad did not start"]):
        print("note: " + note)
    artifacts = os.environ.get("ZEB_ARTIFACTS")
    if artifacts:
        os.makedirs(artifacts, exist_ok=True)
        with open(os.path.join(artifacts, "footprint.json"), "w") as f:
            json.dump({"idle_seconds": args.idle_seconds, "settle_seconds": args.settle_seconds, "zeb": zeb,
                       "notepad": notepad, "note": FLOOR_NOTE}, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
