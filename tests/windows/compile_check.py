#!/usr/bin/env python3
"""Compiles every .cpp under src/ that a Windows build compiles, syntax only, with MinGW-w64
against the Qt headers of this machine, and the resource scripts with its windres:
    compile_check.py <source folder> <compile_commands.json> <record file> [<file.rc>...]

Every source is compiled alone, so that each shows it includes what it uses: the build compiles a
layer's sources a few at a time in one file that includes them (its unity files), where one
source's includes serve the next. Those unity files are compiled as well where Windows sees in
them what Linux does not, and the build here cannot have checked them: where X_unix.cpp has its
sibling X_win.cpp in its place, or where a source has code for Windows alone (one source's
names, or the macros of <windows.h>, may then clash with the next's). Each file takes its defines
and include folders from the build's compile database (the first target that compiles it); what
only suits Linux is left out. POSIX headers that MinGW-w64 has and Visual C++ has not are found
first in msvc-headers/, which stops the compile. Qt's headers find Windows on their own from the
compiler's _WIN32; nothing else is defined. Exits 77 (skipped) without MinGW.

The record file keeps, for every file that passed (a source alone, or a unity file named by its
sources), its flags and every file its compile read (its own headers, Qt's and MinGW's): a file
none of whose inputs changed since it passed is not compiled again, as a build would not."""

import concurrent.futures
import json
import os
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


def has_windows_code(path):
    """Whether the source has code that only a Windows build compiles."""
    with open(path, encoding="utf-8") as f:
        return any(word in f.read() for word in ("Q_OS_WIN", "_WIN32"))


def windows_source(path):
    """What a Windows build compiles in the place of a source: X_unix.cpp's sibling X_win.cpp
    where there is one, nothing where there is none, any other source itself."""
    if not path.endswith("_unix.cpp"):
        return path
    sibling = path[:-len("_unix.cpp")] + "_win.cpp"
    return sibling if os.path.exists(sibling) else None


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

    # The sources with their flags, and the unity files as Windows compiles them. A layer the
    # engine helper links is built a second time without the sanitizers (its _plain target): its
    # own unity files come last, so that the layer's are the ones taken, as on Windows.
    entries.sort(key=lambda entry: "_plain.dir" + os.sep in entry["file"])
    unity_files = []
    commands = {}
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        arguments = entry.get("arguments") or shlex.split(entry["command"])
        flags = ["-I", MSVC_HEADERS, *windows_flags(arguments)]
        members = []
        replaced = False
        for member in unity_sources(path) or [path]:
            windows = windows_source(member) if member.startswith(src + os.sep) else None
            if windows and windows not in commands:
                commands[windows] = flags
                members.append(windows)
                replaced = replaced or windows != member
        if len(members) > 1 and (replaced or any(map(has_windows_code, members))):
            unity_files.append(members)

    # A Windows source in no target here (X_win.cpp whose sibling the build does not compile
    # here, or one that only Windows builds) takes the flags of another file of its folder (its
    # layer's).
    sources = sorted(os.path.join(root, name) for root, _, names in os.walk(src)
                     for name in names if name.endswith(".cpp") and not name.endswith("_unix.cpp"))
    for path in sources:
        if path in commands:
            continue
        neighbours = sorted(other for other in commands if os.path.dirname(other) == os.path.dirname(path))
        if neighbours:
            commands[path] = commands[neighbours[0]]
    units = [[path] for path in sources if path in commands] + unity_files
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
    # A source alone is named by its path, a unity file by its sources'.
    key = " ".join
    records = {key(unit): records.get(key(unit)) for unit in units}
    stale = [unit for unit in units if not unchanged(records[key(unit)], commands[unit[0]])]

    work = tempfile.mkdtemp()

    def check(index, unit):
        depfile = os.path.join(work, f"{index}.d")
        if len(unit) == 1:
            compiled = unit[0]
        else:
            compiled = os.path.join(work, f"unity_{index}.cpp")
            with open(compiled, "w", encoding="utf-8") as f:
                f.writelines(f'#include "{path}"\n' for path in unit)
        # Whatever changes from this moment on is seen by the next run.
        started = time.time_ns()
        run = subprocess.run([COMPILER, "-fsyntax-only", "-MD", "-MF", depfile, *commands[unit[0]], compiled],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        record = None
        if run.returncode == 0:
            # The compiler itself counts among what the result depends on; the unity file,
            # made for this run only, does not (the sources it includes do).
            deps = [dep for dep in read_depfile(depfile) if not dep.startswith(work + os.sep)]
            record = {"flags": commands[unit[0]], "deps": deps + [compiler], "checked": started}
        return unit, record, run.stdout

    started = time.monotonic()
    failed = 0
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            for unit, record, output in pool.map(check, range(len(stale)), stale):
                records[key(unit)] = record
                if record is None:
                    failed += 1
                    print("--- " + ", ".join(os.path.relpath(path, source_dir) for path in unit))
                    print(output, end="")
    finally:
        shutil.rmtree(work, ignore_errors=True)
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
    files = len(units) + len(resource_scripts)
    print(f"{files - failed} of {files} files compile for Windows: {len(sources)} sources alone, "
          f"{len(unity_files)} unity files, {len(resource_scripts)} resource scripts ({len(stale)} "
          f"compiled in {seconds:.0f} s, the others unchanged since they passed)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
