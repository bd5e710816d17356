#!/usr/bin/env python3
"""Checks that the project's #include lines follow its layers.

Usage: check_layers.py [ROOT]   (ROOT defaults to the repository this script lives in)

Two rules, over the program folders (platform, world, engine, sim, makers, builder, apps):
  1. Layer order. biosim: platform <- world <- engine <- sim <- makers <- apps; tarn: platform <-
     world <- builder <- apps. A file may include files of its own folder and of the folders below it, never
     of a folder above it or of the other program's branch. Only the platform backends
     (platform/sdl/, platform/headless/, platform/test/, platform/web/) and tarn's window layer (builder/Sdl*)
     may include SDL or Dear ImGui headers.
  2. No circles. A module is a header and its source file together (engine/Foo.h + engine/Foo.cpp).
     Module A depends on module B when any file of A includes a file of B. No module may depend on
     itself through other modules (A -> B -> A, or longer).
  3. Backends. Only tests (and platform/test/ itself) include the test backend platform/test/;
     platform/headless/ (production pieces of headless runs) includes only platform/ and itself.
tests/, bench/, fuzz/ and tools/ stand above every layer and are not checked.
Exit status 0 when the rules hold; 1 with every offending file named otherwise.
"""
import os
import re
import sys

# Which folders each folder may include (its own and the ones below it).
ALLOWED = {
    "platform": {"platform"},
    "world": {"platform", "world"},
    "engine": {"platform", "world", "engine"},
    "sim": {"platform", "world", "engine", "sim"},
    "makers": {"platform", "world", "engine", "sim", "makers"},
    "builder": {"platform", "world", "builder"},
    "apps": {"platform", "world", "engine", "sim", "makers", "builder", "apps"},
}
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
SYSTEM_UI = re.compile(r"^(SDL2?/|SDL[_.]|imgui|backends/imgui)")


def top_folder(rel):
    return rel.split("/", 1)[0]


def module_of(rel):
    return os.path.splitext(rel)[0]


def project_files(root):
    out = []
    for folder in ALLOWED:
        base = os.path.join(root, folder)
        for dirpath, _, names in os.walk(base):
            for n in names:
                if n.endswith(SOURCE_EXT):
                    out.append(os.path.relpath(os.path.join(dirpath, n), root).replace(os.sep, "/"))
    return sorted(out)


def includes_of(root, rel):
    """(line number, kind, target) of every include; quoted targets resolved to repository paths."""
    found = []
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, target = m.group(1), m.group(2)
            if kind == '"':
                beside = os.path.normpath(os.path.join(os.path.dirname(rel), target)).replace(os.sep, "/")
                if os.path.isfile(os.path.join(root, target)):
                    target = os.path.normpath(target).replace(os.sep, "/")
                elif os.path.isfile(os.path.join(root, beside)):
                    target = beside
                else:
                    continue  # not a project file
            found.append((number, kind, target))
    return found


def may_use_ui_headers(rel):
    backend = rel.startswith(("platform/sdl/", "platform/test/", "platform/headless/", "platform/web/"))
    return backend or re.match(r"builder/Sdl[^/]*$", rel) is not None


def backend_problem(rel, target):
    """Why `rel` may not include `target` within the platform layer's backends, or None.

    The test backend is for tests only: no production file includes it. platform/headless/ holds
    production pieces and stands on the platform interfaces alone (platform/ and itself)."""
    if target.startswith("platform/test/") and not rel.startswith("platform/test/"):
        return "platform/test/ is the test backend; production code uses platform/headless/"
    if rel.startswith("platform/headless/") and target.count("/") > 1 and not target.startswith(
            "platform/headless/"):
        return "platform/headless/ may include only platform/ and platform/headless/"
    return None


def check(root):
    problems = []
    edges = {}  # module -> {module: (file, line, included file)}
    files = project_files(root)
    for rel in files:
        here = top_folder(rel)
        for number, kind, target in includes_of(root, rel):
            if kind == "<":
                if SYSTEM_UI.match(target) and not may_use_ui_headers(rel):
                    problems.append(f"{rel}:{number}: includes <{target}>; only the platform backends and "
                                    f"builder/Sdl* may include SDL or Dear ImGui")
                continue
            there = top_folder(target)
            if there not in ALLOWED:
                continue
            why = backend_problem(rel, target)
            if why:
                problems.append(f"{rel}:{number}: includes {target}; {why}")
            if there not in ALLOWED[here]:
                problems.append(f"{rel}:{number}: includes {target}, but {here}/ may include only "
                                f"{', '.join(sorted(ALLOWED[here]))}")
            a, b = module_of(rel), module_of(target)
            if a != b:
                edges.setdefault(a, {}).setdefault(b, (rel, number, target))

    # Circles: strongly connected components of more than one module (Tarjan, iterative).
    index, low, on_stack, stack, counter = {}, {}, set(), [], [0]
    components = []
    nodes = sorted(set(edges) | {b for targets in edges.values() for b in targets})
    for start in nodes:
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, {}))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, {})))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    m = stack.pop()
                    on_stack.discard(m)
                    component.append(m)
                    if m == node:
                        break
                if len(component) > 1:
                    components.append(sorted(component))
    for component in sorted(components):
        members = set(component)
        problems.append("include circle between modules: " + ", ".join(component))
        for a in component:
            for b, (rel, number, target) in sorted(edges.get(a, {}).items()):
                if b in members:
                    problems.append(f"    {rel}:{number}: includes {target}")
    return problems


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    problems = check(root)
    for p in problems:
        print(p)
    if problems:
        print(f"check_layers: {len(problems)} problem line(s); see docs/architecture.md for the layers")
        return 1
    print(f"check_layers: {len(project_files(root))} files follow the layers, no include circles")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
