#!/usr/bin/env python3
"""Times Lunvex batch mode beside Wine's xcopy/robocopy and native rsync/cp.

Started by bench/run.sh, which installs packages, builds Lunvex.exe and keeps
one wineserver running for the prefix given here, so no timed run pays for
starting the prefix. hyperfine times every run; this script makes the trees,
checks every destination afterwards and writes the table and the chart.
"""

import argparse, csv, json, os, random, shlex, shutil, signal, statistics, subprocess, sys, time

SEED = 20240611
TREE_FORMAT = 2  # bump when the generator changes, so old trees are rebuilt
BASE_TIME = 1577836800  # 2020-01-01 UTC; source times fall in the three years after it
# Touched files get times after every generated one, an hour later on each
# run, so "newer only" rules copy them every time.
TOUCH_TIME = BASE_TIME + 4 * 365 * 86400

# name, fan-out of each folder level below the root, files per folder (a flat
# tree keeps all its files in the root).
TREES = [("flat", [], 10000), ("nested", [20, 9, 10], 25)]      # 10,000 and 50,000 files
QUICK_TREES = [("flat", [], 400), ("nested", [4, 3, 4], 25)]   # 400 and 1,600
# Nested trees of 1,000 and 10,000 files, only copied into an empty folder:
# with the nested tree above, how the initial copy grows with the tree, and
# where the copy workers' count is chosen.
GROWTH_TREES = [("n1k", [4, 9], 25), ("n10k", [4, 9, 10], 25)]
QUICK_GROWTH_TREES = [("n1k", [4, 2], 25)]
# New files for the interactive run: every one becomes a row of the list.
UI_TREE, QUICK_UI_TREE = ("ui", [200], 100), ("ui", [8], 100)   # 20,000 and 800
# The dialog's memory: every source file has a newer destination file, so
# each is a conflict (two rows) and nothing is copied; folders, files a folder.
CONFLICT_TREE, QUICK_CONFLICT_TREE = ("conflict", 1000, 100), ("conflict", 20, 100)  # 200,000 and 4,000 rows

# One line a tool: name, highest exit code that means success, the command
# that brings {dst} up to date from {src}, and the one that also deletes what
# {src} lacks (None: the tool has no such pass). {wsrc} and {wdst} are the
# folders as Windows paths, {exe} the Lunvex.exe measured, {base} the baseline
# build, {wlog} a log file of the tool's own. A tool that needs what was not
# given is left out.
WIN = r"wine C:\windows\system32"  # full paths: Wine runs them in the process started
TOOLS = [
    ("lunvex", 0, "wine {exe} {wsrc} {wdst} 0 0 1 0", "wine {exe} {wsrc} {wdst} 0 0 1 1"),
    # The copy workers: none (the walk copies each file itself), 2 and 8
    # beside the default 4; measured on the growth trees only.
    ("lunvex-w0", 0, "env LUNVEX_COPY_WORKERS=0 wine {exe} {wsrc} {wdst} 0 0 1 0", None, "growth"),
    ("lunvex-w2", 0, "env LUNVEX_COPY_WORKERS=2 wine {exe} {wsrc} {wdst} 0 0 1 0", None, "growth"),
    ("lunvex-w8", 0, "env LUNVEX_COPY_WORKERS=8 wine {exe} {wsrc} {wdst} 0 0 1 0", None, "growth"),
    ("lunvex-base", 0, "wine {base} {wsrc} {wdst} 0 0 1 0", "wine {base} {wsrc} {wdst} 0 0 1 1"),
    ("lunvex-log", 0, "wine {exe} {wsrc} {wdst} 0 0 1 0 {wlog}", "wine {exe} {wsrc} {wdst} 0 0 1 1 {wlog}"),
    ("xcopy", 0, WIN + r"\xcopy.exe {wsrc} {wdst} /E /D /Y /I /Q", None),
    ("robocopy", 7, WIN + r"\robocopy.exe {wsrc} {wdst} /E /XO",
     WIN + r"\robocopy.exe {wsrc} {wdst} /E /XO /PURGE"),
    ("rsync", 0, "rsync -a {src}/ {dst}/", "rsync -a --delete {src}/ {dst}/"),
    ("cp", 0, "cp -au {src}/. {dst}", None),
]

# name, warm-up runs, shell commands run before every run ($1 the destination,
# $2 the list of files to touch, $3 a run counter). A sync follows, so earlier
# runs' dirty pages are not this run's cost.
RESET = 'rm -rf "$1" && mkdir -p "$1"'
SCENARIOS = [
    ("initial", 0, RESET),
    ("nochange", 1, "true"),
    ("touch10", 1, 'n=$(cat "$3"); echo $((n + 1)) >"$3"; '
                   'xargs -0 -a "$2" touch -d @$((%d + n * 3600))' % TOUCH_TIME),
    ("removal", 1, "true"),
]

# label, scenario, tree, tool, the tools it is compared with (the fastest
# counts), highest ratio of the medians that meets the goal.
WINE = ("xcopy", "robocopy")
TARGETS = [
    ("initial copy, nested, vs best Wine peer", "initial", "nested", "lunvex", WINE, 0.75),
    ("initial copy, flat, vs best Wine peer", "initial", "flat", "lunvex", WINE, 1.0),
    ("10 % touched, nested, vs best Wine peer", "touch10", "nested", "lunvex", WINE, 1.0),
    ("initial copy, nested, vs baseline build", "initial", "nested", "lunvex", ("lunvex-base",), 1.0),
    ("initial copy, flat, vs baseline build", "initial", "flat", "lunvex", ("lunvex-base",), 1.0),
    ("10 % touched, nested, vs baseline build", "touch10", "nested", "lunvex", ("lunvex-base",), 1.0),
    ("10 % touched, flat, vs baseline build", "touch10", "flat", "lunvex", ("lunvex-base",), 1.0),
    ("no-change resync, nested, vs baseline build", "nochange", "nested", "lunvex", ("lunvex-base",), 1.1),
    ("removal pass, nested, vs baseline build", "removal", "nested", "lunvex", ("lunvex-base",), 1.1),
    ("no-change resync, nested, vs best Wine peer", "nochange", "nested", "lunvex", WINE, 0.2),
    ("no-change resync, nested, vs rsync", "nochange", "nested", "lunvex", ("rsync",), 1.5),
    ("a log of every copy, initial copy, nested", "initial", "nested", "lunvex-log", ("lunvex",), 1.05),
]

T0 = time.time()


def log(msg):
    t = int(time.time() - T0)
    print("[%02d:%02d] %s" % (t // 60, t % 60, msg), flush=True)


def prepare_tree(trees_dir, name, levels, per_folder):
    """The tree's record: its files as (relative path, size, mtime), made
    from a fixed seed. Generated unless a complete one is there; a reused
    one gets its planned times back in case an interrupted run left some
    touched."""
    folders, current = [""], [""]
    for depth, fanout in enumerate(levels):
        current = [os.path.join(p, "dstu"[depth] + "%02d" % i) for p in current for i in range(fanout)]
        folders += current
    rng, plan = random.Random(SEED + len(levels)), []
    for folder in folders[1:] if levels else folders:
        for _ in range(per_folder):
            fname = "%s%06d.%s" % (
                rng.choice(["report", "photo", "notes", "data", "src", "backup", "mail", "draft"]),
                len(plan), rng.choice(["txt", "dat", "bin", "cpp", "h", "log", "xml", "csv"]))
            plan.append((os.path.join(folder, fname), rng.randint(1024, 16384),
                         BASE_TIME + rng.randrange(3 * 365 * 86400)))
    src, marker = os.path.join(trees_dir, name, "src"), os.path.join(trees_dir, name, "complete")
    tree = {"name": name, "src": src, "plan": plan, "folders": len(folders) - 1}
    stamp = "format=%d seed=%d levels=%s per_folder=%d\n" % (TREE_FORMAT, SEED, levels, per_folder)
    if os.path.exists(marker) and open(marker).read() == stamp:
        log("tree %s: reusing %d files under %s" % (name, len(plan), src))
    else:
        log("tree %s: generating %d files under %s" % (name, len(plan), src))
        shutil.rmtree(os.path.dirname(src), ignore_errors=True)
        block = random.Random(SEED + 2).randbytes(1 << 20)
        for f in folders:
            os.makedirs(os.path.join(src, f), exist_ok=True)
        for rel, size, _ in plan:
            off = rng.randrange(len(block) - size)
            with open(os.path.join(src, rel), "wb") as fh:
                fh.write(block[off:off + size])
        open(marker, "w").write(stamp)
    restore_times(tree)
    return tree


def prepare_conflicts(trees_dir, name, folders, per_folder):
    """Empty source files and newer destination files of the same names (a
    day later), made once and reused while complete. A run in the dialog
    that keeps newer destination files lists each name twice and copies
    nothing, so the trees stay as they are."""
    root, marker = os.path.join(trees_dir, name), os.path.join(trees_dir, name, "complete")
    plan = [os.path.join("c%03d" % f, "notes%06d.txt" % (f * per_folder + i))
            for f in range(folders) for i in range(per_folder)]
    tree = {"name": name, "src": os.path.join(root, "src"), "dst": os.path.join(root, "dst"),
            "plan": plan, "times": {"src": BASE_TIME, "dst": BASE_TIME + 86400}}
    stamp = "folders=%d per_folder=%d\n" % (folders, per_folder)
    if os.path.exists(marker) and open(marker).read() == stamp:
        log("tree %s: reusing %d conflicting files under %s" % (name, len(plan), root))
        return tree
    log("tree %s: generating %d conflicting files under %s" % (name, len(plan), root))
    shutil.rmtree(root, ignore_errors=True)
    for side, mtime in tree["times"].items():
        for f in range(folders):
            os.makedirs(os.path.join(tree[side], "c%03d" % f))
        for rel in plan:
            path = os.path.join(tree[side], rel)
            open(path, "w").close()
            os.utime(path, (mtime, mtime))
    open(marker, "w").write(stamp)
    return tree


def restore_times(tree):
    for rel, _, mtime in tree["plan"]:
        os.utime(os.path.join(tree["src"], rel), (mtime, mtime))


def scan_tree(root):
    """{relative path: (size, whole-second mtime)} of every file below root."""
    found = {}
    for folder, _, files in os.walk(root):
        for f in files:
            st = os.lstat(os.path.join(folder, f))
            found[os.path.relpath(os.path.join(folder, f), root)] = (st.st_size, int(st.st_mtime))
    return found


def verify(dst, src):
    """"ok", or what differs between a destination and the source as it is now,
    so a tool that skips work cannot pass for a fast one."""
    found, want = scan_tree(dst), scan_tree(src)
    counts = [("missing", sum(r not in found for r in want)),
              ("extra", sum(r not in want for r in found)),
              ("differ", sum(r in found and found[r] != want[r] for r in want))]
    return " ".join("%d %s" % (n, what) for what, n in counts if n) or "ok"


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")  # Wine maps / to Z:


def command(template, values, src, dst, log_file):
    """argv of a TOOLS command; KeyError when it needs a value not given."""
    v = dict(values, src=src, dst=dst, wsrc=winpath(src), wdst=winpath(dst),
             wlog=winpath(log_file))
    return [word.format(**v) for word in template.split()]


def hyperfine(label, argv, runs, warmup, logs, prepare, *args):
    """hyperfine's JSON result for one command, with its peak resident set.

    `prepare` runs in sh before every run, args as $1, $2... GNU time's %M,
    wrapped round the command, is the largest resident set of the process it
    starts. With the wineserver running, `wine PATH.exe` runs the Windows
    program in that same process, so for Wine programs it is the program's
    own peak, Wine's DLLs included.
    """
    base = os.path.join(logs, label)
    if os.path.exists(base + ".rss"):
        os.remove(base + ".rss")
    timed = ["/usr/bin/time", "-f", "%M", "-a", "-o", base + ".rss"] + argv
    prep = ["sh", "-c", prepare + " && sync", "prepare"] + list(args)
    # The commands' own output goes nowhere: Wine's background processes
    # would hold a pipe open.
    with open(os.path.join(logs, "hyperfine.log"), "a") as out:
        subprocess.run(["hyperfine", "-N", "-i", "--style", "basic", "--runs", str(runs),
                        "--warmup", str(warmup), "--prepare", shlex.join(prep),
                        "--export-json", base + ".json", "-n", label, shlex.join(timed)],
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, check=True)
    with open(base + ".json") as fh:
        res = json.load(fh)["results"][0]
    with open(base + ".rss") as fh:  # a failing command adds a "Command exited ..." line
        res["rss"] = max([int(x) for x in fh.read().split("\n") if x.isdigit()] or [0])
    return res


def measure_tree(tree, tools, values, reps, work, scenarios=None):
    """Every scenario of one tree (or those named), every tool, each checked after its runs."""
    rows, logs, n = [], os.path.join(work, "logs"), len(tree["plan"])
    dst_root = os.path.join(work, "dst", tree["name"])
    touch_list, counter = os.path.join(work, "touch-list"), os.path.join(work, "touch-count")
    with open(touch_list, "w") as fh:
        for rel, _, _ in random.Random(SEED + 1).sample(tree["plan"], max(1, n // 10)):
            fh.write(os.path.join(tree["src"], rel) + "\0")
    open(counter, "w").write("0\n")
    log("tree %s: %d files, %d subfolders, %d runs each" % (tree["name"], n, tree["folders"], reps))
    for scenario, warmup, prepare in SCENARIOS:
        if scenarios and scenario not in scenarios:
            continue
        for tool, ok_rc, sync, removal in tools:
            template = removal if scenario == "removal" else sync
            if template is None:
                continue
            label, dst = "%s-%s-%s" % (scenario, tree["name"], tool), os.path.join(dst_root, tool)
            os.makedirs(dst, exist_ok=True)
            argv = command(template, values, tree["src"], dst, os.path.join(logs, label + ".log"))
            res = hyperfine(label, argv, reps, warmup, logs, prepare, dst, touch_list, counter)
            bad = sorted({str(c) for c in res["exit_codes"] if c is None or c > ok_rc})
            rows.append({"scenario": scenario, "tree": tree["name"], "tool": tool, "files": n,
                         "times": res["times"], "median_s": res["median"],
                         "peak_rss_kib": res["rss"], "check": verify(dst, tree["src"]),
                         "status": "failed rc=" + ",".join(bad) if bad else "ok"})
            log("  %-8s %-7s %-11s %8.3f s  %s" % (scenario, tree["name"], tool, res["median"],
                                                   note(rows[-1])))
    shutil.rmtree(dst_root, ignore_errors=True)
    return rows


def robocopy_works(work, template):
    """Some Wine builds ship robocopy.exe as a stub that copies nothing."""
    probe = os.path.join(work, "probe")
    shutil.rmtree(probe, ignore_errors=True)
    for d in ("s/a", "d"):
        os.makedirs(os.path.join(probe, d))
    open(os.path.join(probe, "s", "a", "f.txt"), "w").close()
    argv = command(template, {}, probe + "/s", probe + "/d", probe + "/log")
    with open(os.path.join(work, "logs", "robocopy-probe.log"), "w") as out:
        subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
    return os.path.exists(os.path.join(probe, "d", "a", "f.txt"))


def drive_dialog(drive, src, dst, out):
    """One run of the real dialog by lunvex_drive.exe: {rows, ms, ws_kib,
    peak_kib} as it printed them (texts), or what it printed instead."""
    with open(out, "w") as fh:
        subprocess.run(["wine", drive, winpath(src), winpath(dst)],
                       stdin=subprocess.DEVNULL, stdout=fh, stderr=subprocess.STDOUT)
    return dict(p.split("=", 1) for line in open(out, errors="replace") if "rows=" in line
                for p in line.split() if "=" in p)


def measure_interactive(exe, drive, tree, work, reps):
    """An interactive run that lists every file of a new tree, against batch
    mode copying the same tree.

    lunvex_drive.exe starts the real dialog, fills the folders, clicks
    Synchronize and times the run until the button comes back; it prints
    rows=N ms=M. Batch mode is timed as a process, so the start and end of an
    empty batch run are taken off its time to compare run with run. None when
    a run did not list every file.
    """
    logs, n, src = os.path.join(work, "logs"), len(tree["plan"]), winpath(tree["src"])
    dst, empty = os.path.join(work, "dst", "ui"), os.path.join(work, "dst", "empty")
    for d in (empty + "-a", empty + "-b"):
        os.makedirs(d, exist_ok=True)
    batch = hyperfine("interact-batch", ["wine", exe, src, winpath(dst), "0", "0", "1"],
                      reps, 0, logs, RESET, dst)["median"]
    bare = hyperfine("interact-empty", ["wine", exe, winpath(empty + "-a"), winpath(empty + "-b")],
                     reps, 1, logs, "true")["median"]
    ui, peak = [], 0
    for rep in range(reps):
        subprocess.run(["sh", "-c", RESET + " && sync", "reset", dst], check=True)
        got = drive_dialog(drive, tree["src"], dst, os.path.join(logs, "interact-drive-%d.log" % rep))
        log("  interact ui      run %d: %s rows in %s ms" % (rep + 1, got.get("rows"), got.get("ms")))
        if got.get("rows") != str(n) or "ms" not in got:
            return log("interactive: the run did not list all %d rows; not counted" % n)
        ui.append(int(got["ms"]) / 1000.0)
        peak = max(peak, int(got.get("peak_kib", 0)))
    seconds, batch_run = statistics.median(ui), batch - bare
    return {"scenario": "interact", "tree": tree["name"], "tool": "lunvex-ui", "files": n,
            "times": ui, "median_s": seconds, "peak_rss_kib": peak, "status": "ok",
            "check": "rows (x batch run of %.2f s)" % batch_run,
            "ratio": seconds / batch_run if batch_run > 0 else None}


def measure_memory(drive, tree, work):
    """The dialog's working set once a run has listed two rows for every
    file of the conflict tree (one run: memory, not time, is what counts).
    None when the run did not list them all or changed the destination."""
    rows = 2 * len(tree["plan"])
    got = drive_dialog(drive, tree["src"], tree["dst"], os.path.join(work, "logs", "memory-drive.log"))
    log("  memory   %-8s %s rows in %s ms, working set %s KiB" % (
        tree["name"], got.get("rows"), got.get("ms"), got.get("ws_kib")))
    if got.get("rows") != str(rows) or "ws_kib" not in got:
        return log("memory: the run did not list all %d rows; not counted" % rows)
    found = scan_tree(tree["dst"])
    untouched = len(found) == len(tree["plan"]) and all(
        v == (0, tree["times"]["dst"]) for v in found.values())
    seconds, ws = int(got["ms"]) / 1000.0, int(got["ws_kib"])
    return {"scenario": "memory", "tree": tree["name"], "tool": "lunvex-ui", "files": rows,
            "times": [seconds], "median_s": seconds, "peak_rss_kib": int(got["peak_kib"]),
            "status": "ok", "ws_kib": ws, "ratio": None,
            "check": "working set %.1f MiB after the run" % (ws / 1024) if untouched
            else "the destination changed"}


def note(r):
    return r["check"] if r["status"] == "ok" else r["status"] + " " + r["check"]


def report(rows, out, prefix):
    """The table with the targets below it, and the CSV."""
    fmt = "%-9s %-8s %-12s %7s %9s %9s %9s %9s  %s"
    head = fmt % ("scenario", "tree", "tool", "files", "median_s", "files/s", "lunvex/x",
                  "peak_MiB", "check")
    lines = [head, "-" * len(head)]
    with open(os.path.join(out, prefix + "results.csv"), "w", newline="") as fh:
        w = csv.writer(fh)
        w.writerow(["scenario", "tree", "tool", "files", "reps", "median_s", "files_per_s",
                    "lunvex_ratio", "peak_rss_kib", "times_s", "status", "check"])
        for r in rows:
            rate, ratio = r["files"] / r["median_s"], r["ratio"]
            w.writerow([r["scenario"], r["tree"], r["tool"], r["files"], len(r["times"]),
                        "%.3f" % r["median_s"], "%.1f" % rate, "%.3f" % ratio if ratio else "",
                        r["peak_rss_kib"], " ".join("%.3f" % t for t in r["times"]),
                        r["status"], r["check"]])
            mib = r["peak_rss_kib"] and "%.1f" % (r["peak_rss_kib"] / 1024)
            lines.append(fmt % (r["scenario"], r["tree"], r["tool"], r["files"],
                                "%.3f" % r["median_s"], "%.0f" % rate,
                                "%.2f" % ratio if ratio else "-", mib or "-", note(r)))

    lines += ["", "Targets (median / median of the fastest compared tool):"]
    get = {(r["scenario"], r["tree"], r["tool"]): r for r in rows if r["status"] == "ok"}

    def goal(label, value, unit, limit):
        lines.append("  %-46s " % label + ("not measured" if value is None else
                     "%6.2f %-14s (goal <= %s) %s" % (value, unit, limit,
                                                      "met" if value <= limit else "NOT met")))

    for label, scenario, tree, tool, others, limit in TARGETS:
        mine = get.get((scenario, tree, tool))
        best = min(((get[(scenario, tree, o)]["median_s"], o) for o in others
                    if (scenario, tree, o) in get), default=None)
        goal(label, mine["median_s"] / best[0] if mine and best else None,
             "x " + best[1] if best else "", limit)
    flat, nested = (get.get(("initial", t, "lunvex"), {}).get("peak_rss_kib") for t in
                    ("flat", "nested"))
    goal("peak memory, initial, nested vs flat tree",
         abs(nested / flat - 1) * 100 if flat and nested else None, "% growth", 10)
    ui = [r["ratio"] for r in rows if r["scenario"] == "interact"]
    goal("interactive run listing every file vs batch", ui[0] if ui else None, "x batch run", 1.1)
    mem = [r for r in rows if r["scenario"] == "memory" and r["check"].startswith("working")]
    goal("dialog working set after %d rows" % (mem[0]["files"] if mem else 0),
         mem[0]["ws_kib"] / 1024 if mem else None, "MiB", 64)
    text = "\n".join(lines)
    print("\n" + text, flush=True)
    open(os.path.join(out, prefix + "results.txt"), "w").write(text + "\n")


def draw_chart(rows, out, prefix):
    """Lunvex's time over each other tool's, drawn by ratios.gp."""
    rows = [r for r in rows if r["tool"] != "lunvex-ui"]
    peers = [t for t in dict.fromkeys(r["tool"] for r in rows) if t != "lunvex"]
    ratio = {("%s/%s" % (r["scenario"], r["tree"]), r["tool"]): r["ratio"] for r in rows}
    if not any(ratio.values()):
        return log("chart: no ratios to draw")
    dat = os.path.join(out, prefix + "ratios.dat")
    with open(dat, "w") as fh:
        fh.write("group " + " ".join(peers) + "\n")
        for g in dict.fromkeys(g for g, _ in ratio):
            fh.write(g + " " + " ".join("%.4f" % ratio[(g, p)] if ratio.get((g, p)) else "-"
                                        for p in peers) + "\n")
    r = subprocess.run(["gnuplot", "-e", "dat='%s'; png='%s'; n=%d" % (
        dat, os.path.join(out, prefix + "ratios.png"), len(peers)),
        os.path.join(os.path.dirname(os.path.abspath(__file__)), "ratios.gp")],
        capture_output=True, text=True)
    if r.returncode != 0:
        log("chart: gnuplot failed: " + r.stderr.strip())


def main():
    # SIGTERM becomes an exit, so the trees get their times back.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(128 + signum))
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--work", required=True, help="work folder (trees, prefix, logs)")
    ap.add_argument("--out", required=True, help="folder for the table, CSV and chart")
    ap.add_argument("--exe", default="", help="Lunvex.exe to measure (none: peers only)")
    ap.add_argument("--baseline-exe", default="", help="an older Lunvex.exe: lunvex-base")
    ap.add_argument("--drive", default="", help="lunvex_drive.exe, for the interactive run")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--quick", action="store_true", help="small trees, to try the script")
    ap.add_argument("--tools", default="", help="comma list to restrict the tools")
    a = ap.parse_args()
    work, prefix = os.path.abspath(a.work), "quick-" if a.quick else ""
    os.makedirs(os.path.join(work, "logs"), exist_ok=True)
    os.makedirs(a.out, exist_ok=True)

    values = {k: v for k, v in (("exe", a.exe), ("base", a.baseline_exe)) if v}
    tools = []
    for t in TOOLS:
        try:
            command(t[2], values, "s", "d", "l")
        except KeyError:
            continue  # its executable was not given
        if a.tools and t[0] not in a.tools.split(","):
            continue
        if t[0] == "robocopy" and not robocopy_works(work, t[2]):
            log("robocopy: left out, this Wine's robocopy.exe copies nothing")
            continue
        tools.append(t)
    main_tools = [t[:4] for t in tools if len(t) < 5]
    growth_tools = [t[:4] for t in tools if t[0] in ("lunvex", "xcopy") or len(t) > 4]

    trees_dir, rows = os.path.join(work, "quick-trees" if a.quick else "trees"), []
    for layouts, measured, scenarios in ((QUICK_TREES if a.quick else TREES, main_tools, None),
                                         (QUICK_GROWTH_TREES if a.quick else GROWTH_TREES, growth_tools,
                                          ("initial",))):
        for layout in layouts if measured else []:
            tree = prepare_tree(trees_dir, *layout)
            try:
                rows += measure_tree(tree, measured, values, a.reps, work, scenarios)
            finally:
                restore_times(tree)
    rows.sort(key=lambda r: [s[0] for s in SCENARIOS].index(r["scenario"]))  # trees keep order
    lunvex = {(r["scenario"], r["tree"]): r["median_s"] for r in rows
              if r["tool"] == "lunvex" and r["status"] == "ok"}
    for r in rows:
        lv = lunvex.get((r["scenario"], r["tree"]))
        r["ratio"] = lv / r["median_s"] if lv and r["tool"] != "lunvex" and r["status"] == "ok" \
            else None

    if a.tools and "lunvex-ui" not in a.tools.split(","):
        log("interactive: not measured (lunvex-ui is not among the tools)")
    elif a.exe and a.drive and os.environ.get("DISPLAY"):
        tree = prepare_tree(trees_dir, *(QUICK_UI_TREE if a.quick else UI_TREE))
        ui = measure_interactive(a.exe, a.drive, tree, work, a.reps)
        tree = prepare_conflicts(trees_dir, *(QUICK_CONFLICT_TREE if a.quick else CONFLICT_TREE))
        rows += [r for r in (ui, measure_memory(a.drive, tree, work)) if r]
    else:
        log("interactive: not measured (needs Lunvex.exe, lunvex_drive.exe and a display)")

    report(rows, a.out, prefix)
    draw_chart(rows, a.out, prefix)
    log("wrote %s/%s{results.txt,results.csv,ratios.png}; hyperfine's JSON in %s/logs"
        % (a.out, prefix, work))
    return 1 if any(r["status"] != "ok" or r["check"] != "ok" for r in rows
                    if r["tool"] != "lunvex-ui") else 0


if __name__ == "__main__":
    sys.exit(main())
