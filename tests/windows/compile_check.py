#!/usr/bin/env python3
"""Compiles every .cpp under src/ that a Windows build compiles, syntax only, with MinGW-w64
against the Qt headers of this machine, and the resource scripts with its windres:
    compile_check.py <source folder> <compile_commands.json> <record file> [<file.rc>...]

Each file takes its defines and include folders from the build's compile database (the first
target that compiles it); what only suits Linux is left out. POSIX headers that MinGW-w64 has
and Visual C++ has not are found first in msvc-headers/, which stops the compile. Qt's headers
find Windows on their own from the compiler's _WIN32; nothing else is defined. Exits 77
(skipped) without MinGW.

Files that share their defines and Qt modules (a library, mostly) share a precompiled header of
the Qt headers they include, made first: most of a file's time went to reading Qt's headers.
A header that cannot be made is left out, and its files read Qt's headers themselves.

The record file keeps, for every file that passed, its flags and every file it read (its own
headers, Qt's and MinGW's): a file none of whose inputs changed since it passed is not compiled
again, as a build would not."""

import concurrent.futures
import json
import os
import re
import shlex
import shutil
import tempfile
import subprocess
import sys
import time

COMPILER = "x86_64-w64-mingw32-g++-posix"
RESOURCE_COMPILER = "x86_64-w64-mingw32-windres"
MSVC_HEADERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "msvc-headers")
SKIPPED = 77

# Flags of the Linux build that have no place in a Windows compile (or in a syntax-only one).
DROPPED = ("-fsanitize", "-fno-sanitize", "-fPIC", "-fno-omit-frame-pointer", "-g")


def windows_flags(arguments):
    """The compiler flags of one database entry, for MinGW: defines, include folders, the
    language standard and the warnings; no output, no sanitizers, no Linux mkspecs."""
    flags = []
    words = iter(arguments[1:])
    for word in words:
        if word in ("-o", "-c"):
            next(words, None)
            continue
        if word in ("-I", "-isystem", "-D", "-include"):
            value = next(words, "")
            if "/mkspecs/" not in value:
                flags += [word, value]
            continue
        if word.startswith(DROPPED):
            continue
        if word.startswith("-I") and "/mkspecs/" in word:
            continue
        if word.startswith(("-D", "-I", "-std=", "-W", "-f")):
            flags.append(word)
    return flags


def read_depfile(path):
    """The files a compile read, from the make rule the compiler wrote."""
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("\\\n", " ")
    words, word, chars = [], "", iter(text.split(":", 1)[1])
    for char in chars:
        if char == "\\":
            word += next(chars, "")
        elif char.isspace():
            if word:
                words.append(word)
            word = ""
        else:
            word += char
    return words + ([word] if word else [])


QT_INCLUDE = re.compile(r"^\s*#\s*include\s*<(Q[A-Za-z]+|Qt[A-Za-z]+/Q[A-Za-z]+)>", re.MULTILINE)


def header_group(flags):
    """Files whose flags have the same defines and system include folders (Qt's modules) can
    share a precompiled header of Qt's; their own include folders do not matter to it."""
    system = tuple(flags[i + 1] for i, word in enumerate(flags[:-1]) if word == "-isystem")
    return tuple(sorted(word for word in flags if word.startswith("-D"))) + system


def qt_includes(path):
    with open(path, encoding="utf-8") as f:
        return set(QT_INCLUDE.findall(f.read()))


def unchanged(record, flags):
    """True when a file passed with these flags and nothing it read has changed since."""
    if not record or record["flags"] != flags:
        return False
    try:
        return all(os.stat(dep).st_mtime_ns <= record["checked"] for dep in record["deps"])
    except OSError:
        return False


def unity_sources(path):
    """The sources a file of CMake's unity build includes, or [] for any other file."""
    if not (os.path.basename(path).startswith("unity_") and os.path.basename(os.path.dirname(path)) == "Unity"):
        return []
    with open(path, encoding="utf-8") as f:
        return [os.path.realpath(line.split('"')[1]) for line in f if line.startswith("#include \"")]


def main():
    source_dir, database, record_file = sys.argv[1:4]
    resource_scripts = sys.argv[4:]
    compiler = shutil.which(COMPILER)
    if compiler is None:
        print(f"SKIPPED: {COMPILER} is not installed (Debian package g++-mingw-w64-x86-64-posix)")
        return SKIPPED
    compiler = os.path.realpath(compiler)
    src = os.path.realpath(os.path.join(source_dir, "src"))
    with open(database, encoding="utf-8") as f:
        entries = json.load(f)

    commands = {}
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        arguments = entry.get("arguments") or shlex.split(entry["command"])
        # A layer's sources are compiled a few at a time in one file that includes them: each
        # is checked alone, with that file's flags.
        for path in unity_sources(path) or [path]:
            if path.startswith(src + os.sep) and path not in commands:
                commands[path] = ["-I", MSVC_HEADERS, *windows_flags(arguments)]

    # What differs per system stands in sibling files: X_unix.cpp is never built for Windows,
    # and X_win.cpp, never built here, takes the flags of its sibling, or of another file of
    # its folder where it has none (its layer's).
    sources = sorted(os.path.join(root, name) for root, _, names in os.walk(src)
                     for name in names if name.endswith(".cpp") and not name.endswith("_unix.cpp"))
    for path in sources:
        if not path.endswith("_win.cpp") or path in commands:
            continue
        sibling = path[:-len("_win.cpp")] + "_unix.cpp"
        neighbours = sorted(other for other in commands if os.path.dirname(other) == os.path.dirname(path))
        if sibling in commands:
            commands[path] = commands[sibling]
        elif neighbours:
            commands[path] = commands[neighbours[0]]
    missing = [path for path in sources if path not in commands]
    if missing:
        for path in missing:
            print(f"{os.path.relpath(path, source_dir)}: in no target of the build, so not checked")
        return 1

    try:
        with open(record_file, encoding="utf-8") as f:
            records = json.load(f)
    except (OSError, ValueError):
        records = {}
    records = {path: records.get(path) for path in sources}
    stale = [path for path in sources if not unchanged(records[path], commands[path])]

    depfiles = tempfile.mkdtemp()
    groups = {}
    for path in stale:
        groups.setdefault(header_group(commands[path]), []).append(path)
    headers = {}

    def make_header(index, group):
        """The group's precompiled header, or None where it is not worth one or fails."""
        paths = groups[group]
        includes = sorted(set().union(*(qt_includes(path) for path in paths)))
        if len(paths) < 3 or not includes:
            return group, None
        header = os.path.join(depfiles, f"qt{index}.h")
        with open(header, "w", encoding="utf-8") as f:
            f.writelines(f"#include <{name}>\n" for name in includes)
        run = subprocess.run([COMPILER, "-x", "c++-header", *commands[paths[0]], header, "-o", header + ".gch"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return group, header if run.returncode == 0 else None

    def check(index, path):
        depfile = os.path.join(depfiles, f"{index}.d")
        header = headers.get(header_group(commands[path]))
        # Whatever changes from this moment on is seen by the next run.
        started = time.time_ns()
        run = subprocess.run([COMPILER, "-fsyntax-only", "-MD", "-MF", depfile, *commands[path],
                              *(["-include", header] if header else []), path],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        record = None
        if run.returncode == 0:
            # The compiler itself counts among what the result depends on; the precompiled
            # header, made for this run only, does not (the Qt headers it read do).
            deps = [dep for dep in read_depfile(depfile) if not dep.startswith(depfiles + os.sep)]
            record = {"flags": commands[path], "deps": deps + [compiler], "checked": started}
        return path, record, run.stdout

    started = time.monotonic()
    failed = 0
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            headers.update(pool.map(make_header, range(len(groups)), list(groups)))
            for path, record, output in pool.map(check, range(len(stale)), stale):
                records[path] = record
                if record is None:
                    failed += 1
                    print(f"--- {os.path.relpath(path, source_dir)}")
                    print(output, end="")
    finally:
        shutil.rmtree(depfiles, ignore_errors=True)
        with open(record_file, "w", encoding="utf-8") as f:
            json.dump({path: record for path, record in records.items() if record}, f)
    for script in resource_scripts:
        with tempfile.TemporaryDirectory() as folder:
            run = subprocess.run([RESOURCE_COMPILER, "-i", script, "-O", "coff",
                                  "-o", os.path.join(folder, "resources.o")],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            failed += 1
            print(f"--- {script}")
            print(run.stdout, end="")
    seconds = time.monotonic() - started
    print(f"{len(sources) + len(resource_scripts) - failed} of {len(sources) + len(resource_scripts)} "
          f"sources and resource scripts compile for Windows ({len(stale)} sources compiled in "
          f"{seconds:.0f} s, the others unchanged since they passed)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
