#!/usr/bin/env python3
"""Planted-bug measurement: applies small mutations to the production code one at a time, rebuilds
only the test programs that link the mutated file, runs them, restores the file and prints the kill
rate and every survivor.

A mutant is killed when a test program fails, crashes or runs past its time limit. A mutant that
does not compile is counted apart (not a test result). The mutation sites live in
scripts/mutation_sites.txt; `--generate` rewrites that list by the rule stated in its header.

Mutations are applied to a private copy of the tree so nobody building from the shared tree ever
sees one:

    git worktree add --detach /work/mutate-tree HEAD
    python3 scripts/mutate.py --tree /work/mutate-tree            # every site
    python3 scripts/mutate.py --tree /work/mutate-tree --only sim/ # sites under sim/

The tool refuses to mutate the main working tree unless --in-place is given. The original file is
put back after every mutant, on Ctrl-C and on termination; a mutant left over by a killed run is
put back at the next start (a journal file in the build folder).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass

HERE = os.path.dirname(os.path.abspath(__file__))
SITES_FILE = os.path.join(HERE, "mutation_sites.txt")

# The test programs a mutated file concerns are found in the build: every GoogleTest program under
# tests/ (an executable named *_tests) that links the file, or that runs a program that links it
# (an end-to-end test names the program it runs as a build dependency). "Links the file" means an
# object of the program or of a library it links was compiled from the file or included it (the
# compiler's dependency record, `ninja -t deps`).


def read_build_graph(build_dir):
    """Per build output of build.ninja: (rule, explicit inputs, implicit inputs, order-only inputs)."""
    with open(os.path.join(build_dir, "build.ninja"), encoding="utf-8") as f:
        text = f.read().replace("$\n", "")
    graph = {}
    for line in text.splitlines():
        if not line.startswith("build "):
            continue
        head, sep, rest = line[6:].partition(": ")
        if not sep:
            continue
        rest, _, order = rest.partition(" || ")
        rest, _, implicit = rest.partition(" | ")
        parts = rest.split()
        if not parts:
            continue
        entry = (parts[0], parts[1:], implicit.split(), order.split())
        for out in head.split(" | ")[0].split():
            graph[out] = entry
    return graph


def read_compiled_files(build_dir, tree, graph):
    """Per object file: the files of the tree it was compiled from (its source and every header)."""
    def in_tree(p):
        full = os.path.normpath(p if os.path.isabs(p) else os.path.join(build_dir, p))
        rel = os.path.relpath(full, tree)
        return None if rel.startswith("..") else rel

    files = {}
    r = subprocess.run(["ninja", "-C", build_dir, "-t", "deps"], stdout=subprocess.PIPE, text=True,
                       errors="replace")
    current = None
    for line in r.stdout.splitlines():
        if line and not line[0].isspace():
            current = line.split(":", 1)[0]
            files.setdefault(current, set())
        elif line.strip() and current is not None:
            rel = in_tree(line.strip())
            if rel:
                files[current].add(rel)
    for out, (rule, explicit, _, _) in graph.items():
        if "COMPILER" in rule:
            files.setdefault(out, set()).update(r for r in map(in_tree, explicit) if r)
    return files


class TestPrograms:
    """The test programs of a build and the files each links (itself or through the programs it runs)."""

    def __init__(self, build_dir, tree):
        graph = read_build_graph(build_dir)
        compiled = read_compiled_files(build_dir, tree, graph)
        memo = {}

        def is_program(out):
            return out in graph and graph[out][0].startswith("CXX_EXECUTABLE_LINKER")

        def files_of(target):
            if target not in memo:
                memo[target] = set()
                _, explicit, implicit, _ = graph.get(target, ("", [], [], []))
                found = set()
                for i in explicit:
                    found |= compiled.get(i, set())
                for i in implicit:
                    if i.endswith(".a") and i in graph:
                        found |= files_of(i)
                memo[target] = found
            return memo[target]

        self.dirs, self.runtime, self.files = {}, {}, {}
        for out in graph:
            name = os.path.basename(out)
            if not (out.startswith("tests/") and name.endswith("_tests") and is_program(out)):
                continue
            runs = [o for o in graph[out][3] if is_program(o)]
            self.dirs[name] = os.path.dirname(out)
            self.runtime[name] = sorted(os.path.basename(o) for o in runs)
            self.files[name] = set(files_of(out)).union(*(files_of(o) for o in runs))

    def for_file(self, path):
        return sorted(p for p, files in self.files.items() if path in files)

    def all_targets(self):
        return sorted(set(self.dirs) | {t for ts in self.runtime.values() for t in ts})


# Per-folder share of generated sites (every folder is represented).
GENERATE_SHARE = {
    "platform": 8,
    "world": 8,
    "engine": 10,
    "sim": 10,
    "makers": 4,
    "builder": 10,
    "apps": 4,
}

# Operator swaps: (pattern, replacement, class). Binary operators are written with spaces on both
# sides in this code base (clang-format), so " < " never matches a template argument list.
SWAPS = [
    (" <= ", " < ", "boundary"),
    (" >= ", " > ", "boundary"),
    (" < ", " <= ", "boundary"),
    (" > ", " >= ", "boundary"),
    (" == ", " != ", "negate"),
    (" != ", " == ", "negate"),
    (" && ", " || ", "logic"),
    (" || ", " && ", "logic"),
    (" + 1", " + 0", "off-by-one"),
    (" - 1", " - 0", "off-by-one"),
    ("std::round(", "std::trunc(", "rounding"),
    ("std::lround(", "std::lrint(", "rounding"),
    ("std::floor(", "std::ceil(", "rounding"),
    ("return true;", "return false;", "result"),
    ("return false;", "return true;", "result"),
]
# A statement that is a plain call (no declaration, no return) can be dropped.
CALL_STATEMENT = re.compile(r"^\s*(?:[A-Za-z_][\w]*(?:\.|->|::))*[A-Za-z_]\w*\(.*\);\s*$")


@dataclass
class Site:
    path: str  # relative to the tree
    anchor: str  # the original line, stripped
    old: str
    new: str
    nth: int  # which occurrence of `old` in the line (0-based); -1: the whole statement
    kind: str
    line_nth: int = 0  # which of the file's lines equal to `anchor` (0-based)

    def label(self):
        what = "drop statement" if self.nth < 0 else f"'{self.old.strip()}' -> '{self.new.strip()}'"
        return f"{self.path}: {what} in: {self.anchor}"


def in_code(line, pos):
    """False when `pos` is inside a string literal or a trailing comment of the line."""
    comment = line.find("//")
    if comment != -1 and comment < pos:
        return False
    return line[:pos].count('"') % 2 == 0


def candidates(tree, rel):
    """Every mutation site of a file, in file order."""
    out = []
    with open(os.path.join(tree, rel), encoding="utf-8") as f:
        lines = f.read().split("\n")
    seen = {}
    prev = ";"
    for line in lines:
        s = line.strip()
        line_nth = seen.get(s, 0)
        seen[s] = line_nth + 1
        if not s or s.startswith(("//", "#", "*", "/*")) or s.startswith(("static_assert", "assert(")):
            continue
        # Only a line that starts a statement can be dropped whole.
        starts_statement = prev.endswith((";", "{", "}", ":"))
        prev = s
        found = []
        for old, new, kind in SWAPS:
            start = 0
            nth = 0
            while True:
                pos = line.find(old, start)
                if pos == -1:
                    break
                # " < " inside " <= " and the like are other operators.
                if old in (" < ", " > ") and line[pos : pos + 4] in (" <= ", " >= "):
                    start = pos + 1
                    continue
                if old in (" + 1", " - 1") and pos + 4 < len(line) and (line[pos + 4].isalnum() or line[pos + 4] in "._"):
                    start = pos + 1
                    nth += 1
                    continue
                if in_code(line, pos):
                    found.append((pos, Site(rel, s, old, new, nth, kind, line_nth)))
                nth += 1
                start = pos + 1
        if (not found and starts_statement and CALL_STATEMENT.match(line)
                and not s.startswith(("return", "else", "if", "for", "while"))):
            found.append((0, Site(rel, s, s, ";", -1, "drop", line_nth)))
        found.sort(key=lambda p: p[0])
        out.extend(site for _, site in found)
    return out


def production_files(tree):
    files = []
    for folder in GENERATE_SHARE:
        for root, dirs, names in os.walk(os.path.join(tree, folder)):
            # The browser build's own files: no native test program links them.
            dirs[:] = [d for d in dirs if os.path.relpath(os.path.join(root, d), tree) != "platform/web"]
            for n in sorted(names):
                if n.endswith(".cpp"):
                    files.append(os.path.relpath(os.path.join(root, n), tree))
    return sorted(files)


HEADER = """\
# Mutation sites of scripts/mutate.py, one per line: file <TAB> line occurrence <TAB> occurrence
# <TAB> old <TAB> new <TAB> kind <TAB> the original line (stripped). The line occurrence says which
# of the file's lines equal to that text; occurrence -1 drops the whole statement.
#
# Rule (mechanical, made without looking at the tests; `mutate.py --generate` rewrites this list):
# every .cpp file of platform/ (but platform/web/, the browser build's), world/, engine/, sim/,
# makers/, builder/ and apps/ is scanned for candidate sites in file order: relational comparisons
# (< <= > >= moved across the boundary), == and != (negated), && and || (exchanged), "+ 1" / "- 1"
# (the one dropped), rounding calls (std::round to std::trunc, std::floor to std::ceil, std::lround
# to std::lrint), boolean results (return true and return false exchanged) and, on lines with none
# of these, a plain call statement (dropped). Each folder gets a fixed share (platform 8, world 8,
# engine 10, sim 10, makers 4, builder 10, apps 4), taken evenly spaced over that folder's
# candidates: candidate number floor((i + 0.5) * n / share) for i = 0 .. share-1, where n is the
# folder's candidate count.
"""


def generate(tree):
    files = production_files(tree)
    chosen = []
    for folder, share in GENERATE_SHARE.items():
        cands = [c for f in files if f.startswith(folder + "/") for c in candidates(tree, f)]
        n = len(cands)
        picks = sorted({int((i + 0.5) * n / share) for i in range(min(share, n))})
        chosen.extend(cands[p] for p in picks)
        print(f"{folder}: {n} candidates, {len(picks)} chosen")
    with open(SITES_FILE, "w", encoding="utf-8") as f:
        f.write(HEADER)
        for s in chosen:
            f.write("\t".join([s.path, str(s.line_nth), str(s.nth), s.old, s.new, s.kind, s.anchor]) + "\n")
    print(f"{len(chosen)} sites written to {os.path.relpath(SITES_FILE)}")


def read_equivalent():
    """Site numbers (1-based, in list order) judged equivalent: '#equivalent <TAB> n <TAB> why'."""
    marks = {}
    with open(SITES_FILE, encoding="utf-8") as f:
        for raw in f:
            if raw.startswith("#equivalent\t"):
                _, n, why = raw.rstrip("\n").split("\t", 2)
                marks[int(n)] = why
    return marks


def read_sites():
    sites = []
    with open(SITES_FILE, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            path, line_nth, nth, old, new, kind, anchor = line.split("\t")
            sites.append(Site(path, anchor, old, new, int(nth), kind, int(line_nth)))
    return sites


def mutated_text(text, site):
    """The file's text with the site mutated, or None when the site's line is gone."""
    lines = text.split("\n")
    matches = [i for i, line in enumerate(lines) if line.strip() == site.anchor]
    if len(matches) > site.line_nth:
        i = matches[site.line_nth]
        line = lines[i]
        if site.nth < 0:
            indent = line[: len(line) - len(line.lstrip())]
            lines[i] = indent + ";"
            return "\n".join(lines)
        pos = -1
        start = 0
        for _ in range(site.nth + 1):
            pos = line.find(site.old, start)
            if pos == -1:
                return None
            start = pos + 1
        lines[i] = line[:pos] + site.new + line[pos + len(site.old) :]
        return "\n".join(lines)
    return None


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


class Restorer:
    """Keeps the original text of the file being mutated, with a journal on disk for a hard kill."""

    def __init__(self, tree, build):
        self.tree = tree
        self.journal = os.path.join(build, "mutate-journal")
        self.path = None
        self.original = None

    def recover(self):
        if not os.path.exists(self.journal):
            return
        with open(self.journal, encoding="utf-8") as f:
            rel = f.readline().rstrip("\n")
        backup = self.journal + ".orig"
        if rel and os.path.exists(backup):
            shutil.copyfile(backup, os.path.join(self.tree, rel))
            print(f"put back {rel} left mutated by an earlier run")
        os.remove(self.journal)

    def apply(self, rel, text, mutated):
        full = os.path.join(self.tree, rel)
        shutil.copyfile(full, self.journal + ".orig")
        with open(self.journal, "w", encoding="utf-8") as f:
            f.write(rel + "\n")
        self.path, self.original = full, text
        with open(full, "w", encoding="utf-8") as f:
            f.write(mutated)

    def restore(self):
        if self.path is None:
            return
        with open(self.path, "w", encoding="utf-8") as f:
            f.write(self.original)
        self.path = None
        if os.path.exists(self.journal):
            os.remove(self.journal)


def build(build_dir, targets, log):
    r = subprocess.run(["cmake", "--build", build_dir, "--target", *targets, "-j", "2"],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    log.write(r.stdout)
    return r.returncode == 0


def clean_env():
    env = dict(os.environ)
    for k in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
        env.pop(k, None)
    env["SDL_AUDIODRIVER"] = "dummy"
    return env


def run_program(build_dir, programs, prog, limit, gtest_filter):
    """(passed, seconds, reason, failed test names) for one test program."""
    exe = os.path.join(build_dir, programs.dirs[prog], prog)
    args = [exe, "--gtest_brief=1"]
    if gtest_filter:
        args.append("--gtest_filter=" + gtest_filter)
    t0 = time.time()
    try:
        r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                           errors="replace", timeout=limit, env=clean_env(), cwd=os.path.dirname(exe),
                           start_new_session=True)
    except subprocess.TimeoutExpired:
        return False, time.time() - t0, f"{prog}: time limit", []
    dt = time.time() - t0
    # A program whose fatal error handler ends it with exit code 0 in the middle of a test has no
    # PASSED line: that is a failure too.
    if r.returncode != 0 or "[  FAILED  ]" in r.stdout or "[  PASSED  ]" not in r.stdout:
        failed = sorted(set(re.findall(r"\[  FAILED  \] (\S+\.\S+)", r.stdout)))
        why = ", ".join(failed[:3]) or f"exit {r.returncode}"
        return False, dt, f"{prog}: {why}", failed
    return True, dt, "", []


def is_linked_worktree(tree):
    def git(*a):
        return subprocess.run(["git", "-C", tree, *a], stdout=subprocess.PIPE, text=True).stdout.strip()

    return os.path.abspath(os.path.join(tree, git("rev-parse", "--git-dir"))) != os.path.abspath(
        os.path.join(tree, git("rev-parse", "--git-common-dir")))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--tree", default=os.path.dirname(HERE), help="source tree to mutate (a private worktree)")
    ap.add_argument("--build", help="build folder (default: TREE/build-mutate)")
    ap.add_argument("--only", default="", help="only sites whose file starts with this prefix")
    ap.add_argument("--sites", default="", help="only these site numbers, e.g. 1,4,10-12")
    ap.add_argument("--generate", action="store_true", help="rewrite the site list from TREE by its rule")
    ap.add_argument("--in-place", action="store_true", help="allow mutating the main working tree")
    ap.add_argument("--filter", default="", help="GoogleTest filter for every program")
    ap.add_argument("--list", action="store_true", help="print the sites and stop")
    a = ap.parse_args()
    tree = os.path.abspath(a.tree)
    build_dir = os.path.abspath(a.build or os.path.join(tree, "build-mutate"))

    if a.generate:
        generate(tree)
        return 0
    everything = read_sites()
    equivalent = read_equivalent()
    numbers = {id(s): n for n, s in enumerate(everything, 1)}
    sites = [s for s in everything if s.path.startswith(a.only)]
    if a.sites:
        wanted = set()
        for part in a.sites.split(","):
            lo, _, hi = part.partition("-")
            wanted.update(range(int(lo), int(hi or lo) + 1))
        sites = [s for s in sites if numbers[id(s)] in wanted]
    if a.list:
        for s in sites:
            n = numbers[id(s)]
            mark = "  (equivalent)" if n in equivalent else ""
            print(f"{n:3d} [{s.kind}] {s.label()}{mark}")
        return 0
    if not a.in_place and not is_linked_worktree(tree):
        print("refusing to mutate the main working tree (others build from it); use a worktree:\n"
              "  git worktree add --detach ../mutate-tree HEAD && scripts/mutate.py --tree ../mutate-tree",
              file=sys.stderr)
        return 2

    if not os.path.exists(os.path.join(build_dir, "build.ninja")):
        subprocess.run(["cmake", "-S", tree, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DBT_BENCH=OFF", "-DBT_FUZZ=OFF"], check=True)
    os.makedirs(build_dir, exist_ok=True)
    restorer = Restorer(tree, build_dir)
    restorer.recover()
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, on_signal)
    log = open(os.path.join(build_dir, "mutate-build.log"), "w", encoding="utf-8")

    # The unmutated tree must build and pass: the time limits come from these runs. A whole build
    # first, so that the compiler's dependency record names every file each program links.
    print("building everything ...", flush=True)
    if not build(build_dir, ["all"], log):
        print(f"the unmutated tree does not build; see {log.name}", file=sys.stderr)
        return 2
    programs = TestPrograms(build_dir, tree)

    def programs_for(path):
        return programs.for_file(path)

    unlinked = sorted({s.path for s in sites if not programs_for(s.path)})
    for path in unlinked:
        print(f"  {path}: no test program links it; its mutants count as survivors")
    progs = sorted({p for s in sites for p in programs_for(s.path)})
    targets = progs + sorted({t for p in progs for t in programs.runtime[p]})
    limits = {}
    filters = {}
    for p in progs:
        ok, dt, why, failed = run_program(build_dir, programs, p, 900, a.filter)
        if not ok and failed:
            # Tests that fail without any mutation say nothing about mutants: left out, and named.
            print(f"  {p}: left out, failing on the unmutated tree: {' '.join(failed)}")
            filters[p] = (a.filter or "*") + ("-" if "-" not in a.filter else ":") + ":".join(failed)
            ok, dt, why, _ = run_program(build_dir, programs, p, 900, filters[p])
        if not ok:
            print(f"the unmutated tree fails its tests ({why}); fix that first", file=sys.stderr)
            return 2
        limits[p] = max(30.0, 3 * dt + 10)
        print(f"  {p}: passes in {dt:.1f} s")

    killed, survived, invalid, missing = [], [], [], []
    t_start = time.time()
    try:
        for i, site in enumerate(sites, 1):
            full = os.path.join(tree, site.path)
            if not os.path.exists(full):
                missing.append(site)
                continue
            with open(full, encoding="utf-8") as f:
                text = f.read()
            mutated = mutated_text(text, site)
            if mutated is None:
                missing.append(site)
                print(f"[{numbers[id(site)]}] MISSING   {site.label()}", flush=True)
                continue
            progs = programs_for(site.path)
            if not progs:
                survived.append(site)
                print(f"[{numbers[id(site)]}] SURVIVED  {site.label()} (no test program links it)", flush=True)
                continue
            try:
                restorer.apply(site.path, text, mutated)
                runtime = sorted({t for p in progs for t in programs.runtime[p]})
                if not build(build_dir, progs + runtime, log):
                    invalid.append(site)
                    print(f"[{numbers[id(site)]}] NO BUILD  {site.label()}", flush=True)
                    continue
                reason = ""
                for p in progs:
                    ok, _, why, _ = run_program(build_dir, programs, p, limits[p], filters.get(p, a.filter))
                    if not ok:
                        reason = why
                        break
            finally:
                restorer.restore()
            if reason:
                killed.append((site, reason))
                print(f"[{numbers[id(site)]}] killed    {site.label()}\n              by {reason}", flush=True)
            else:
                survived.append(site)
                print(f"[{numbers[id(site)]}] SURVIVED  {site.label()}", flush=True)
    except Interrupted as e:
        print(f"\nstopped ({e}); the mutated file was put back", file=sys.stderr)
    finally:
        restorer.restore()
        # Leave the build matching the restored sources.
        build(build_dir, targets, log)

    counted = len(killed) + len(survived)
    print(f"\n{len(killed)} of {counted} mutants killed"
          + (f" ({100.0 * len(killed) / counted:.1f} %)" if counted else "")
          + f"; {len(invalid)} did not build, {len(missing)} sites not found;"
          + f" {time.time() - t_start:.0f} s")
    eq = [s for s in survived if numbers[id(s)] in equivalent]
    if eq:
        real = counted - len(eq)
        print(f"{len(killed)} of {real} killed ({100.0 * len(killed) / real:.1f} %) leaving out {len(eq)}"
              " survivors judged equivalent")
    if survived:
        print("survivors:")
        for s in survived:
            n = numbers[id(s)]
            why = f"\n        equivalent: {equivalent[n]}" if n in equivalent else ""
            print(f"  {n:3d} [{s.kind}] {s.label()}{why}")
    if missing:
        print("sites not found (the code changed; regenerate the list):")
        for s in missing:
            print(f"  {s.label()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
