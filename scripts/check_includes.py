#!/usr/bin/env python3
"""Checks the layer rule on the sources of a configured build.

Every quoted include must name a file below the including file's own folder
or below an include folder of its target (from compile_commands.json), so a
layer sees only the libraries it links, and no include may climb out of a
folder with "..". Headers are checked with the include folders of each
source that reaches them. Exit code 1 lists every offence.
"""
import json
import os
import re
import shlex
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
SOURCE_FOLDERS = ("RestorePlugIn", "lib", "framework", "host", "tools", "tests", "idl")


def include_dirs(command, directory):
    args = command.get("arguments") or shlex.split(command["command"])
    dirs = []
    for i, arg in enumerate(args):
        path = None
        if arg in ("-I", "-isystem", "-iquote") and i + 1 < len(args):
            path = args[i + 1]
        elif arg.startswith("-I") and len(arg) > 2:
            path = arg[2:]
        if path:
            dirs.append(os.path.normpath(os.path.join(directory, path)))
    return dirs


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/win64"
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(build, "compile_commands.json")) as f:
        commands = json.load(f)
    offences = set()

    # Anywhere in the sources, compiled or not.
    for top in SOURCE_FOLDERS:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in files:
                if not name.endswith((".cpp", ".h", ".c", ".rc", ".idl")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for included in INCLUDE.findall(f.read()):
                        if ".." in included.replace("\\", "/").split("/"):
                            offences.add(f"{os.path.relpath(path, root)}: \"{included}\" climbs out of its folder")

    for command in commands:
        source = os.path.normpath(os.path.join(command["directory"], command["file"]))
        if not source.startswith(root + os.sep) or os.path.relpath(source, root).startswith("build"):
            continue
        dirs = include_dirs(command, command["directory"])
        pending, seen = [source], set()
        while pending:
            path = pending.pop()
            if path in seen:
                continue
            seen.add(path)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for included in INCLUDE.findall(text):
                candidates = [os.path.join(os.path.dirname(path), included)] + [os.path.join(d, included) for d in dirs]
                found = next((os.path.normpath(c) for c in candidates if os.path.isfile(c)), None)
                if found is None:
                    offences.add(f"{os.path.relpath(path, root)}: \"{included}\" is not in a library that "
                                 f"{os.path.relpath(source, root)}'s target links")
                elif found.startswith(root + os.sep) and not os.path.relpath(found, root).startswith("build"):
                    pending.append(found)
    for offence in sorted(offences):
        print(offence)
    print(f"include check: {len(commands)} sources, {len(offences)} offences")
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main())
