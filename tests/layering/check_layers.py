#!/usr/bin/env python3
"""Fails when a library of src/ reaches one declared after it.

The order is the one src/CMakeLists.txt adds the folders in, and within a
folder the order of its add_library() calls. A library reaches another by a
link line (target_link_libraries) or by including one of its headers; an
include must also be covered by the library's links, so that no layer
compiles only because a header happened to be found.

A test program of tests/CMakeLists.txt (brivoline_add_tests) names the
library it tests first; it links only that library and those declared
before it, so that a library's tests build and fail with that library alone;
only test_app, the tests of the program put together, links brivoline_app.

Usage: check_layers.py <source tree> (the folder holding src/)
"""
import pathlib
import re
import sys

COMMAND = re.compile(r"(\w+)\s*\(([^()]*(?:\([^()]*\)[^()]*)*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_SUFFIXES = {".cpp", ".h"}


def sources(args):
    # Generated files (under the build folder) include only what their template does.
    return [a for a in args if pathlib.Path(a).suffix in SOURCE_SUFFIXES and "${" not in a]


def commands(cmake_file):
    text = "\n".join(line.split("#", 1)[0] for line in cmake_file.read_text().splitlines())
    for name, args in COMMAND.findall(text):
        yield name.lower(), args.split()


class Layers:
    def __init__(self, root):
        self.src = root / "src"
        self.order = []  # libraries and executables, lowest first
        self.folder_of = {}
        self.files = {}  # library -> file names listed for it
        self.links = {}  # library -> project libraries it links
        self.owner = {}  # header name -> library
        self.problems = []
        for _, args in (c for c in commands(self.src / "CMakeLists.txt") if c[0] == "add_subdirectory"):
            self.read_folder(self.src / args[0])
        self.place_unlisted_files()

    def read_folder(self, folder):
        for name, args in commands(folder / "CMakeLists.txt"):
            if name in ("add_library", "add_executable") and args:
                target = args[0]
                self.order.append(target)
                self.folder_of[target] = folder
                self.files[target] = sources(args[1:])
                self.links.setdefault(target, set())
            elif name == "target_sources" and args:
                self.files.setdefault(args[0], []).extend(sources(args[1:]))
            elif name == "target_link_libraries" and args:
                self.links.setdefault(args[0], set()).update(
                    a for a in args[1:] if a.startswith("brivoline_") and a != "brivoline_options")

    def place_unlisted_files(self):
        listed = set()
        for target, files in self.files.items():
            for f in files:
                path = self.folder_of[target] / f
                listed.add(path)
                self.claim(path.name, target)
        for folder in sorted(set(self.folder_of.values())):
            targets = [t for t in self.order if self.folder_of[t] == folder]
            for path in sorted(folder.iterdir()):
                if path.suffix in SOURCE_SUFFIXES and path not in listed:
                    if len(targets) == 1:
                        self.files[targets[0]].append(path.name)
                        self.claim(path.name, targets[0])
                    else:
                        self.problems.append(f"{path.relative_to(self.src)}: not listed for any of "
                                             f"{', '.join(targets)}")

    def claim(self, name, target):
        other = self.owner.setdefault(name, target)
        if other != target:
            self.problems.append(f"{name} belongs to both {other} and {target}")

    def closure(self, target, seen=None):
        seen = set() if seen is None else seen
        for dep in self.links.get(target, ()):
            if dep not in seen:
                seen.add(dep)
                self.closure(dep, seen)
        return seen

    def check(self):
        rank = {t: i for i, t in enumerate(self.order)}
        for target in self.order:
            for dep in sorted(self.links[target]):
                if dep not in rank:
                    self.problems.append(f"{target} links {dep}, which src/CMakeLists.txt does not place")
                elif rank[dep] >= rank[target]:
                    self.problems.append(f"{target} links {dep}, declared after it")
            reachable = self.closure(target)
            for f in self.files[target]:
                path = self.folder_of[target] / f
                for header in INCLUDE.findall(path.read_text(errors="replace")):
                    dep = self.owner.get(pathlib.Path(header).name)
                    if dep is None or dep == target:
                        continue
                    where = path.relative_to(self.src)
                    if rank[dep] > rank[target]:
                        self.problems.append(f"{where} includes {header} of {dep}, declared after {target}")
                    elif dep not in reachable:
                        self.problems.append(f"{where} includes {header} of {dep}, which {target} does not link")
        return self.problems

    def check_test_programs(self, tests_cmake):
        rank = {t: i for i, t in enumerate(self.order)}
        for name, args in commands(tests_cmake):
            if name != "brivoline_add_tests" or len(args) < 2:
                continue
            libraries = args[1 : args.index("FIXTURE")] if "FIXTURE" in args else args[1:]
            tested = libraries[0]
            if "brivoline_app" in libraries and args[0] != "app":
                self.problems.append(f"test_{args[0]} links brivoline_app: the program put together is tested in tests/app/")
            for lib in libraries:
                if lib not in rank:
                    self.problems.append(f"test_{args[0]} links {lib}, which src/CMakeLists.txt does not place")
                elif rank[lib] > rank[tested]:
                    self.problems.append(f"test_{args[0]} tests {tested} but links {lib}, declared after it")
        return self.problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    layers = Layers(root)
    layers.check()
    problems = layers.check_test_programs(root / "tests" / "CMakeLists.txt")
    print("Library order: " + " < ".join(t.removeprefix("brivoline_") for t in layers.order))
    for p in problems:
        print("  " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
