#!/usr/bin/env python3
"""Times Lunvex batch mode beside Wine's xcopy/robocopy and native rsync/cp.

Started by bench/run.sh, which installs packages, builds Lunvex.exe and keeps
one persistent wineserver running for the prefix given here, so the start-up
of the prefix is never part of a timed run.  Python 3 standard library only.
"""

import argparse
import csv
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import time

SEED = 20240611
TREE_FORMAT = 1  # bump when the generator changes, so old trees are rebuilt

# 2020-01-01 00:00:00 UTC; source times fall within three years after it.
BASE_TIME = 1577836800
TIME_SPAN = 3 * 365 * 86400
# Touched files get times after every generated one, later for each repetition,
# so "newer only" rules copy them every time.
TOUCH_TIME = BASE_TIME + 4 * 365 * 86400
TOUCH_SHARE = 0.10

# name, levels of folders below the root (each a fan-out), files per folder.
# A flat tree keeps all files in its root.
FULL_TREES = [
    ("flat", [], 10000),
    ("nested", [20, 9, 10], 25),     # 2,000 folders, 50,000 files
]
QUICK_TREES = [
    ("flat", [], 400),
    ("nested", [4, 3, 4], 25),       # 64 folders, 1,600 files
]
# New files for the interactive run: every one becomes a row of the list.
UI_TREE = ("ui", [200], 100)          # 200 folders, 20,000 files
QUICK_UI_TREE = ("ui", [8], 100)      # 800 files

SCENARIOS = [
    ("initial", "copy into an empty destination"),
    ("nochange", "resync with nothing to copy"),
    ("touch10", "resync after touching 10 % of the source files"),
    ("removal", "removal pass with nothing to remove"),
]

EXTS = ["txt", "dat", "bin", "cpp", "h", "log", "xml", "csv"]
STEMS = ["report", "photo", "notes", "data", "src", "backup", "mail", "draft"]


T0 = time.time()


def log(msg, stamp=True):
    if stamp:
        t = int(time.time() - T0)
        msg = "[%02d:%02d] %s" % (t // 60, t % 60, msg)
    print(msg, flush=True)


# ---------------------------------------------------------------- trees

def tree_folders(levels):
    """Relative folder paths of a tree, parents before children."""
    folders = [""]
    current = [""]
    names = ["d", "s", "t", "u"]
    for depth, fanout in enumerate(levels):
        nxt = []
        for parent in current:
            for i in range(fanout):
                rel = os.path.join(parent, "%s%02d" % (names[depth], i))
                nxt.append(rel)
        folders.extend(nxt)
        current = nxt
    return folders


def tree_plan(levels, per_folder):
    """Deterministic list of (relative path, size, mtime) for a tree."""
    rng = random.Random(SEED + len(levels))
    folders = tree_folders(levels)
    # A flat tree keeps its files in the root; a nested one puts the same
    # number in every folder below the root, at every level.
    plan = []
    n = 0
    for folder in folders:
        if levels and folder == "":
            continue
        for _ in range(per_folder):
            name = "%s%06d.%s" % (rng.choice(STEMS), n, rng.choice(EXTS))
            size = rng.randint(1024, 16384)
            mtime = BASE_TIME + rng.randrange(TIME_SPAN)
            plan.append((os.path.join(folder, name), size, mtime))
            n += 1
    return folders, plan


def touched_subset(plan):
    """Fixed 10 % sample of the files, the ones the touch scenario renews."""
    rng = random.Random(SEED + 1)
    k = max(1, int(len(plan) * TOUCH_SHARE))
    return sorted(rng.sample(range(len(plan)), k))


def scan_tree(root):
    """{relative path: (size, whole-second mtime)} of every file below root."""
    found = {}
    stack = [""]
    while stack:
        rel = stack.pop()
        try:
            it = os.scandir(os.path.join(root, rel))
        except OSError:
            continue
        with it:
            for e in it:
                r = os.path.join(rel, e.name)
                if e.is_dir(follow_symlinks=False):
                    stack.append(r)
                else:
                    st = e.stat(follow_symlinks=False)
                    found[r] = (st.st_size, int(st.st_mtime))
    return found


def write_tree(src, folders, plan):
    rng = random.Random(SEED + 2)
    block = rng.randbytes(1 << 20)
    for f in folders:
        os.makedirs(os.path.join(src, f), exist_ok=True)
    for rel, size, mtime in plan:
        off = rng.randrange(len(block) - size)
        path = os.path.join(src, rel)
        with open(path, "wb") as fh:
            fh.write(block[off:off + size])
        os.utime(path, (mtime, mtime))


def prepare_tree(trees_dir, name, levels, per_folder):
    """Returns the tree's record; builds it unless a complete one is there.

    A tree left with touched times by an interrupted run is put back by
    restoring the planned times; anything else out of place rebuilds it.
    """
    folders, plan = tree_plan(levels, per_folder)
    base = os.path.join(trees_dir, name)
    src = os.path.join(base, "src")
    marker = os.path.join(base, "complete")
    stamp = "format=%d seed=%d levels=%s per_folder=%d files=%d\n" % (
        TREE_FORMAT, SEED, levels, per_folder, len(plan))
    expected = {rel: (size, mtime) for rel, size, mtime in plan}

    ok = False
    if os.path.exists(marker) and open(marker).read() == stamp:
        found = scan_tree(src)
        if found.keys() == expected.keys() and all(
                found[r][0] == expected[r][0] for r in expected):
            stale = [r for r in expected if found[r][1] != expected[r][1]]
            for r in stale:
                t = expected[r][1]
                os.utime(os.path.join(src, r), (t, t))
            if stale:
                log("tree %s: restored %d file times" % (name, len(stale)))
            ok = True
    if not ok:
        log("tree %s: generating %d files under %s" % (name, len(plan), src))
        t0 = time.time()
        if os.path.exists(base):
            shutil.rmtree(base)
        os.makedirs(src)
        write_tree(src, folders, plan)
        with open(marker, "w") as fh:
            fh.write(stamp)
        log("tree %s: generated in %.0f s" % (name, time.time() - t0))
    else:
        log("tree %s: reusing %d files under %s" % (name, len(plan), src))
    return {
        "name": name, "src": src, "plan": plan, "folders": len(folders) - 1,
        "expected": expected, "touched": touched_subset(plan),
    }


def restore_times(tree):
    for rel, _, mtime in tree["plan"]:
        os.utime(os.path.join(tree["src"], rel), (mtime, mtime))
    tree["expected"] = {rel: (size, mtime) for rel, size, mtime in tree["plan"]}


def touch_files(tree, rep):
    t = TOUCH_TIME + rep * 3600
    for i in tree["touched"]:
        rel, size, _ = tree["plan"][i]
        os.utime(os.path.join(tree["src"], rel), (t, t))
        tree["expected"][rel] = (size, t)


def verify(dst, tree):
    """Compares a destination with the source as it should now be.

    Returns "ok" or a short account of what differs, so a tool that skips
    work cannot pass for a fast one.
    """
    found = scan_tree(dst)
    exp = tree["expected"]
    missing = sum(1 for r in exp if r not in found)
    extra = sum(1 for r in found if r not in exp)
    differ = sum(1 for r in exp if r in found and found[r] != exp[r])
    if not (missing or extra or differ):
        return "ok"
    parts = []
    if missing:
        parts.append("%d missing" % missing)
    if extra:
        parts.append("%d extra" % extra)
    if differ:
        parts.append("%d differ" % differ)
    return " ".join(parts)


# ---------------------------------------------------------------- tools

def winpath(path):
    # Wine maps the Linux root to drive Z:.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tool_commands(name, exe, src, dst, scenario):
    """argv for a tool and scenario, or None when the tool has no such pass."""
    resync = scenario != "initial"
    if name in ("lunvex", "lunvex-base"):
        # SRC DST which=all time=newer subfolders=1 delete=0/1
        return ["wine", exe, winpath(src), winpath(dst), "0", "0", "1",
                "1" if scenario == "removal" else "0"]
    if name == "xcopy":
        if scenario == "removal":
            return None
        # Full path, so Wine runs it in the process we start instead of
        # through start.exe: the same single process as Lunvex.
        return ["wine", "C:\\windows\\system32\\xcopy.exe", winpath(src),
                winpath(dst), "/E", "/D", "/Y", "/I", "/Q"]
    if name == "robocopy":
        argv = ["wine", "C:\\windows\\system32\\robocopy.exe", winpath(src),
                winpath(dst), "/E", "/XO"]
        return argv + ["/PURGE"] if scenario == "removal" else argv
    if name == "rsync":
        argv = ["rsync", "-a"]
        if scenario == "removal":
            argv.append("--delete")
        return argv + [src + "/", dst + "/"]
    if name == "cp":
        if scenario == "removal":
            return None
        return ["cp", "-au" if resync else "-a", src + "/.", dst]
    raise ValueError(name)


def tool_ok(name, rc):
    if name == "robocopy":
        return rc < 8  # 0-7 are kinds of success, 8 and up failures
    return rc == 0


def run_timed(argv, log_path):
    """Wall-clock seconds, exit code and peak RSS (KiB) of one process.

    The peak is GNU time's %M (the kernel's maximum resident set of the
    process it starts, across its execs).  With the wineserver already
    running, `wine PATH.exe` execs the Windows program in that same process
    (its name in /proc becomes the .exe), so the figure is the program's own
    peak, Wine's DLLs included.  A small parent matters: a child starts with
    its parent's high-water mark, and this script's own would hide the
    program's.  Output goes to a file: Wine's background processes would
    hold a pipe open.
    """
    rss_path = log_path + ".rss"
    with open(log_path, "ab") as out:
        out.write(("\n$ %s\n" % " ".join(argv)).encode())
        out.flush()
        t0 = time.perf_counter()
        p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss_path] + argv,
                             stdin=subprocess.DEVNULL, stdout=out,
                             stderr=subprocess.STDOUT, start_new_session=True)
        try:
            rc = p.wait()
        except BaseException:
            # Interrupted: leave no copier running behind us.
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
            raise
        elapsed = time.perf_counter() - t0
    rss = 0
    with open(rss_path) as fh:
        # A failing command gets a "Command exited with ..." line first.
        lines = fh.read().split()
        if lines and lines[-1].isdigit():
            rss = int(lines[-1])
    return elapsed, rc, rss


def robocopy_works(work):
    """Some Wine builds ship robocopy.exe as a stub that copies nothing."""
    probe = os.path.join(work, "probe")
    shutil.rmtree(probe, ignore_errors=True)
    os.makedirs(os.path.join(probe, "s", "a"))
    os.makedirs(os.path.join(probe, "d"))
    with open(os.path.join(probe, "s", "a", "f.txt"), "w") as fh:
        fh.write("probe")
    argv = tool_commands("robocopy", None, os.path.join(probe, "s"),
                         os.path.join(probe, "d"), "initial")
    _, rc, _ = run_timed(argv, os.path.join(work, "logs", "robocopy-probe.log"))
    works = tool_ok("robocopy", rc) and os.path.exists(
        os.path.join(probe, "d", "a", "f.txt"))
    shutil.rmtree(probe, ignore_errors=True)
    return works, rc


# ---------------------------------------------------------------- measuring

def rotated(items, k):
    k %= len(items)
    return items[k:] + items[:k]


def measure_tree(tree, tools, exes, reps, work, results):
    """All scenarios on one tree, the tools alternating within each repetition."""
    dst_root = os.path.join(work, "dst", tree["name"])
    logs = os.path.join(work, "logs")
    dst = {t: os.path.join(dst_root, t) for t in tools}

    def one(tool, scenario, rep):
        argv = tool_commands(tool, exes.get(tool), tree["src"], dst[tool], scenario)
        os.sync()  # earlier runs' dirty pages are not this run's cost
        secs, rc, rss = run_timed(argv, os.path.join(logs, "%s-%s.log" % (tree["name"], tool)))
        rec = results.setdefault((scenario, tree["name"], tool), {
            "scenario": scenario, "tree": tree["name"], "tool": tool,
            "files": len(tree["plan"]), "times": [], "rss": [], "failed": [],
            "check": "",
        })
        rec["times"].append(secs)
        rec["rss"].append(rss)
        if not tool_ok(tool, rc):
            rec["failed"].append(rc)
        log("  %-8s %-7s %-11s rep %d: %8.2f s  rc=%d" % (
            scenario, tree["name"], tool, rep + 1, secs, rc))

    def check(scenario, active):
        for tool in active:
            results[(scenario, tree["name"], tool)]["check"] = verify(dst[tool], tree)

    log("tree %s: %d files, %d subfolders, %d repetitions"
        % (tree["name"], len(tree["plan"]), tree["folders"], reps))

    for rep in range(reps):
        for tool in rotated(tools, rep):
            shutil.rmtree(dst[tool], ignore_errors=True)
            os.makedirs(dst[tool])
            one(tool, "initial", rep)
    check("initial", tools)

    for rep in range(reps):
        for tool in rotated(tools, rep):
            one(tool, "nochange", rep)
    check("nochange", tools)

    for rep in range(reps):
        touch_files(tree, rep)
        for tool in rotated(tools, rep):
            one(tool, "touch10", rep)
    check("touch10", tools)

    removers = [t for t in tools if tool_commands(t, exes.get(t), "s", "d", "removal")]
    for rep in range(reps):
        for tool in rotated(removers, rep):
            one(tool, "removal", rep)
    check("removal", removers)

    shutil.rmtree(dst_root, ignore_errors=True)


def driver_rows(log_path):
    """rows and milliseconds from the last line lunvex_drive.exe printed."""
    rows = ms = None
    with open(log_path, errors="replace") as fh:
        for line in fh:
            parts = dict(p.split("=", 1) for p in line.split() if "=" in p)
            if "rows" in parts and "ms" in parts:
                rows, ms = int(parts["rows"]), int(parts["ms"])
    return rows, ms


def measure_interactive_rows(exe, drive, trees_dir, work, reps, quick):
    """An interactive run that lists every file of a new tree, against batch
    mode copying the same tree, alternating, median of the repetitions.

    lunvex_drive.exe starts the real dialog under Xvfb, fills the folders,
    clicks Synchronize and times the run until the button comes back, every
    row listed; it prints rows=N ms=M. Batch mode is timed as a process, so
    the start and end of an empty batch run are taken off its time to compare
    run with run. Returns None when it cannot be measured here.
    """
    if not exe or not drive or not os.environ.get("DISPLAY"):
        log("interactive: not measured (needs Lunvex.exe, lunvex_drive.exe and a display)")
        return None
    name, levels, per_folder = QUICK_UI_TREE if quick else UI_TREE
    tree = prepare_tree(trees_dir, name, levels, per_folder)
    n = len(tree["plan"])
    dst = os.path.join(work, "dst", name)
    empty = os.path.join(work, "dst", "empty")
    for d in (empty + "-a", empty + "-b"):
        os.makedirs(d, exist_ok=True)
    logs = os.path.join(work, "logs")
    ui_ms, batch_s, empty_s = [], [], []
    for rep in range(reps):
        for what in rotated(["batch", "ui"], rep):
            shutil.rmtree(dst, ignore_errors=True)
            os.makedirs(dst)
            if what == "batch":
                t, rc, _ = run_timed(tool_commands("lunvex", exe, tree["src"], dst, "initial"),
                                     os.path.join(logs, "ui-batch.log"))
                e, _, _ = run_timed(["wine", exe, winpath(empty + "-a"), winpath(empty + "-b")],
                                    os.path.join(logs, "ui-empty.log"))
                log("  interact %-7s batch       rep %d: %8.2f s (start and end %.2f s) rc=%d"
                    % (name, rep + 1, t, e, rc))
                batch_s.append(t)
                empty_s.append(e)
            else:
                drive_log = os.path.join(logs, "ui-drive-%d.log" % rep)
                if os.path.exists(drive_log):
                    os.remove(drive_log)
                _, rc, _ = run_timed(["wine", drive, winpath(tree["src"]), winpath(dst)], drive_log)
                rows, ms = driver_rows(drive_log)
                log("  interact %-7s lunvex-ui   rep %d: %8.2f s, %s rows rc=%d"
                    % (name, rep + 1, (ms or 0) / 1000.0, rows, rc))
                if rows != n or ms is None:
                    log("interactive: the run listed %s rows of %d; not counted" % (rows, n))
                    return None
                ui_ms.append(ms)
    seconds = statistics.median(ui_ms) / 1000.0
    batch_run = statistics.median(batch_s) - statistics.median(empty_s)
    return {"tree": name, "files": n, "seconds": seconds, "rows_per_s": n / seconds,
            "batch_run_s": batch_run, "ratio": seconds / batch_run if batch_run > 0 else None,
            "times_s": " ".join("%.3f" % (m / 1000.0) for m in ui_ms)}


# ---------------------------------------------------------------- report

def summarise(results, tools):
    rows = []
    for scenario, _ in SCENARIOS:
        for tree in sorted({k[1] for k in results}, key=lambda n: n != "flat"):
            ref = results.get((scenario, tree, "lunvex"))
            ref_med = statistics.median(ref["times"]) if ref and not ref["failed"] else None
            for tool in tools:
                rec = results.get((scenario, tree, tool))
                if not rec:
                    continue
                med = statistics.median(rec["times"])
                failed = bool(rec["failed"])
                ratio = None
                if tool != "lunvex" and ref_med is not None and not failed and med > 0:
                    ratio = ref_med / med
                rows.append({
                    "scenario": scenario, "tree": tree, "tool": tool,
                    "files": rec["files"], "reps": len(rec["times"]),
                    "median_s": med,
                    "files_per_s": rec["files"] / med if med > 0 else 0.0,
                    "lunvex_ratio": ratio,
                    "peak_rss_kib": max(rec["rss"]),
                    "times_s": " ".join("%.3f" % t for t in rec["times"]),
                    "status": ("failed rc=%s" % ",".join(map(str, sorted(set(rec["failed"])))))
                              if failed else "ok",
                    "check": rec["check"],
                })
    return rows


def print_table(rows, interactive, out):
    head = "%-9s %-7s %-12s %7s %10s %10s %9s  %s" % (
        "scenario", "tree", "tool", "files", "median_s", "files/s", "lunvex/x", "check")
    lines = [head, "-" * len(head)]
    for r in rows:
        ratio = "%.2f" % r["lunvex_ratio"] if r["lunvex_ratio"] is not None else "-"
        note = r["check"] if r["status"] == "ok" else r["status"] + " " + r["check"]
        lines.append("%-9s %-7s %-12s %7d %10.2f %10.0f %9s  %s" % (
            r["scenario"], r["tree"], r["tool"], r["files"], r["median_s"],
            r["files_per_s"], ratio, note))
    if interactive is None:
        lines.append("%-9s %-7s %-12s %7s %10s %10s %9s  %s" % (
            "interact", "ui", "lunvex-ui", "-", "-", "-", "-", "not measured"))
    else:
        i = interactive
        # Here the ratio is the interactive run's time over batch mode's run.
        lines.append("%-9s %-7s %-12s %7d %10.2f %10.0f %9s  ok (x batch run of %.2f s)" % (
            "interact", i["tree"], "lunvex-ui", i["files"], i["seconds"], i["rows_per_s"],
            "%.2f" % i["ratio"] if i["ratio"] else "-", i["batch_run_s"]))
    text = "\n".join(lines)
    log("\n" + text, stamp=False)
    with open(out, "w") as fh:
        fh.write(text + "\n")


def write_csv(rows, interactive, path):
    fields = ["scenario", "tree", "tool", "files", "reps", "median_s", "files_per_s",
              "lunvex_ratio", "peak_rss_kib", "times_s", "status", "check"]
    with open(path, "w", newline="") as fh:
        w = csv.DictWriter(fh, fieldnames=fields)
        w.writeheader()
        for r in rows:
            r = dict(r)
            r["median_s"] = "%.3f" % r["median_s"]
            r["files_per_s"] = "%.1f" % r["files_per_s"]
            r["lunvex_ratio"] = "" if r["lunvex_ratio"] is None else "%.3f" % r["lunvex_ratio"]
            w.writerow(r)
        if interactive is None:
            w.writerow({"scenario": "interactive", "tree": "ui", "tool": "lunvex-ui",
                        "status": "not measured"})
        else:
            i = interactive
            w.writerow({"scenario": "interactive", "tree": i["tree"], "tool": "lunvex-ui",
                        "files": i["files"], "median_s": "%.3f" % i["seconds"],
                        "files_per_s": "%.1f" % i["rows_per_s"],
                        "lunvex_ratio": "%.3f" % i["ratio"] if i["ratio"] else "",
                        "times_s": i["times_s"], "status": "ok", "check": "rows"})


def print_memory(rows, out):
    """Peak RSS of Lunvex batch mode per tree: it should not grow with the tree."""
    lines = ["", "Lunvex batch mode peak resident set (KiB, max over repetitions):"]
    by = {(r["scenario"], r["tree"]): r["peak_rss_kib"] for r in rows if r["tool"] == "lunvex"}
    for scenario, _ in SCENARIOS:
        flat, nested = by.get((scenario, "flat")), by.get((scenario, "nested"))
        if flat and nested:
            lines.append("  %-9s flat %7d  nested %7d  growth %+.1f %%" % (
                scenario, flat, nested, 100.0 * (nested - flat) / flat))
    if len(lines) == 2:
        lines.append("  (Lunvex not measured)")
    log("\n".join(lines), stamp=False)
    with open(out, "a") as fh:
        fh.write("\n".join(lines) + "\n")


def print_targets(rows, interactive, out):
    """The performance goals as ratios, so a run says at once which are met."""
    get = {(r["scenario"], r["tree"], r["tool"]): r for r in rows}

    def med(s, t, tool):
        r = get.get((s, t, tool))
        return r["median_s"] if r and r["status"] == "ok" else None

    lines = ["", "Targets (Lunvex median / other median):"]

    def goal(label, s, t, others, limit):
        lv = med(s, t, "lunvex")
        meds = [(o, med(s, t, o)) for o in others if med(s, t, o)]
        if lv is None or not meds:
            lines.append("  %-46s not measured" % label)
            return
        o, best = min(meds, key=lambda x: x[1])
        ratio = lv / best
        lines.append("  %-46s %.2f x %-11s (goal <= %.1f) %s" % (
            label, ratio, o, limit, "met" if ratio <= limit else "NOT met"))

    goal("no-change resync, nested, vs best Wine peer", "nochange", "nested",
         ["xcopy", "robocopy"], 0.2)
    goal("no-change resync, nested, vs rsync", "nochange", "nested", ["rsync"], 1.5)
    goal("removal pass, nested, vs FindFirstFileW build", "removal", "nested",
         ["lunvex-base"], 0.2)
    for t in ("flat", "nested"):
        goal("initial copy, %s, vs best Wine peer" % t, "initial", t,
             ["xcopy", "robocopy"], 0.9)
    rss = {r["tree"]: r["peak_rss_kib"] for r in rows
           if r["tool"] == "lunvex" and r["scenario"] == "initial"}
    if rss.get("flat") and rss.get("nested"):
        growth = 100.0 * (rss["nested"] - rss["flat"]) / rss["flat"]
        lines.append("  %-46s %+.1f %%%13s(goal within 10 %%) %s" % (
            "peak memory, nested vs flat tree", growth, "",
            "met" if abs(growth) <= 10.0 else "NOT met"))
    else:
        lines.append("  %-46s not measured" % "peak memory, nested vs flat tree")
    label = "interactive run listing every file vs batch"
    if interactive and interactive["ratio"]:
        lines.append("  %-46s %.2f x %-11s (goal <= 1.2) %s" % (
            label, interactive["ratio"], "batch run", "met" if interactive["ratio"] <= 1.2 else "NOT met"))
        lines.append("  %-46s %.0f rows/s over %d rows" % ("", interactive["rows_per_s"], interactive["files"]))
    else:
        lines.append("  %-46s not measured" % label)
    log("\n".join(lines), stamp=False)
    with open(out, "a") as fh:
        fh.write("\n".join(lines) + "\n")


def draw_chart(rows, tools, out_dir, prefix):
    """Bar chart of Lunvex's time over each other tool's (below 1: Lunvex faster)."""
    peers = [t for t in tools if t != "lunvex"]
    groups = []
    for r in rows:
        key = "%s/%s" % (r["scenario"], r["tree"])
        if key not in groups:
            groups.append(key)
    ratio = {("%s/%s" % (r["scenario"], r["tree"]), r["tool"]): r["lunvex_ratio"] for r in rows}
    if not any(v for v in ratio.values()):
        log("chart: no ratios to draw (Lunvex not measured)")
        return None
    dat = os.path.join(out_dir, prefix + "ratios.dat")
    with open(dat, "w") as fh:
        fh.write("group " + " ".join(peers) + "\n")
        for g in groups:
            vals = []
            for p in peers:
                v = ratio.get((g, p))
                vals.append("%.4f" % v if v else "-")
            fh.write(g + " " + " ".join(vals) + "\n")
    png = os.path.join(out_dir, prefix + "ratios.png")
    n = len(peers)
    # Clustered boxes: with gap 1 each group is n+1 box widths wide, so box i
    # of a group sits at x + (i - (n - 1) / 2) / (n + 1).
    plot = ", ".join(
        "'%s' using %d:xtic(1) title columnheader(%d)" % (dat, i + 2, i + 2)
        for i in range(n))
    labels = ", ".join(
        "'%s' using ($0 + (%d - %g) / %d.0):(column(%d)):(sprintf('%%.2f', column(%d))) "
        "with labels offset 0,0.6 font ',8' notitle" % (dat, i, (n - 1) / 2.0, n + 1,
                                                        i + 2, i + 2)
        for i in range(n))
    script = "\n".join([
        "set terminal pngcairo size 1100,600 font 'sans,10'",
        "set output '%s'" % png,
        "set title 'Lunvex batch mode time / other tool time (below 1: Lunvex faster)'",
        "set datafile missing '-'",
        "set key autotitle columnheader",  # the header line is not a group
        "set style data histograms",
        "set style histogram clustered gap 1",
        "set style fill solid 0.8 border -1",
        "set boxwidth 1",
        "set logscale y",
        "set yrange [0.01:*]",
        "set ylabel 'ratio (log scale)'",
        "set grid ytics",
        "set xtics rotate by -30",
        "set key outside right top vertical",
        "set arrow from graph 0, first 1 to graph 1, first 1 nohead dt 2 lw 2 lc rgb 'black'",
        "plot " + plot + ", " + labels,
    ])
    gp = os.path.join(out_dir, prefix + "ratios.gp")
    with open(gp, "w") as fh:
        fh.write(script + "\n")
    r = subprocess.run(["gnuplot", gp], capture_output=True, text=True)
    if r.returncode != 0:
        log("chart: gnuplot failed: " + r.stderr.strip())
        return None
    return png


# ---------------------------------------------------------------- main

def stop_on_term(signum, frame):
    # Turns SIGTERM into an exit, so the finally blocks put the trees back.
    raise SystemExit(128 + signum)


def main():
    signal.signal(signal.SIGTERM, stop_on_term)
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--work", required=True, help="work folder (trees, prefix, logs)")
    ap.add_argument("--out", required=True, help="folder for results.csv and the chart")
    ap.add_argument("--exe", default="", help="Lunvex.exe to measure (none: peers only)")
    ap.add_argument("--baseline-exe", default="", help="an older Lunvex.exe, shown as lunvex-base")
    ap.add_argument("--drive", default="", help="lunvex_drive.exe beside --exe, for the interactive run")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--quick", action="store_true", help="small trees, to try the script")
    ap.add_argument("--tools", default="", help="comma list to restrict the tools")
    a = ap.parse_args()

    work = os.path.abspath(a.work)
    os.makedirs(os.path.join(work, "logs"), exist_ok=True)
    os.makedirs(a.out, exist_ok=True)
    prefix = "quick-" if a.quick else ""
    t_start = time.time()

    exes = {}
    tools = []
    if a.exe:
        exes["lunvex"] = a.exe
        tools.append("lunvex")
    else:
        log("Lunvex.exe not given: measuring the peers only")
    if a.baseline_exe:
        exes["lunvex-base"] = a.baseline_exe
        tools.append("lunvex-base")
    tools.append("xcopy")
    works, rc = robocopy_works(work)
    if works:
        tools.append("robocopy")
    else:
        log("robocopy: left out, this Wine's robocopy.exe copies nothing (exit %d)" % rc)
    tools += ["rsync", "cp"]
    if a.tools:
        wanted = a.tools.split(",")
        tools = [t for t in tools if t in wanted]

    trees_dir = os.path.join(work, "quick-trees" if a.quick else "trees")
    specs = QUICK_TREES if a.quick else FULL_TREES
    trees = [prepare_tree(trees_dir, n, lv, pf) for n, lv, pf in specs]

    results = {}
    for tree in trees:
        try:
            measure_tree(tree, tools, exes, a.reps, work, results)
        finally:
            restore_times(tree)

    interactive = measure_interactive_rows(exes.get("lunvex"), a.drive, trees_dir, work, a.reps, a.quick)

    rows = summarise(results, tools)
    table = os.path.join(a.out, prefix + "results.txt")
    print_table(rows, interactive, table)
    print_memory(rows, table)
    print_targets(rows, interactive, table)
    csv_path = os.path.join(a.out, prefix + "results.csv")
    write_csv(rows, interactive, csv_path)
    png = draw_chart(rows, tools, a.out, prefix)
    log("\nwrote %s, %s%s" % (csv_path, table, ", " + png if png else ""))
    log("benchmark took %.0f s" % (time.time() - t_start))
    bad = [r for r in rows if r["status"] != "ok" or r["check"] != "ok"]
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
