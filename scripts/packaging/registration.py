#!/usr/bin/env python3
"""The module's registration as the package writes it.

  registration.py capture BEFORE AFTER REMOVED --module PATH --from x86|x64 OUT
      What DllRegisterServer wrote into a scratch prefix: the classes-root keys
      of AFTER that BEFORE lacks (three copies of the prefix's system.reg:
      before registering, after it, after DllUnregisterServer). The module's
      path becomes the package's file reference and its folder the install
      folder. A registration by the x64 build is turned into the x86 one: the
      keys go to the 32-bit view and the type library's platform key reads
      win32. Fails on anything written outside the classes root, on a value
      that is not a string, and on keys DllUnregisterServer leaves behind.
  registration.py table REGISTRATION COMPONENT OUT.idt
      The package's Registry table.
  registration.py compare REGISTRATION Registry.idt
      Whether a built package's Registry table writes exactly the registration.
  registration.py installed REGISTRATION SYSTEM.REG FOLDER
      Whether a prefix holds every key and value of the registration in the
      32-bit view, with the module installed in FOLDER, and none in the 64-bit
      view.
  registration.py removed REGISTRATION SYSTEM.REG
      Whether a prefix holds no key of the registration in either view.

A registration file is JSON: {"keys": {KEY: {NAME: VALUE}}}, KEY relative to
the classes root, NAME "" for the default value; a key without values is an
empty key the package creates.
"""
import hashlib
import json
import re
import sys

CLASSES = "software\\classes\\"
VIEW32 = "wow6432node\\"
FILE_REFERENCE = "[#RestorePlugIn.dll]"
FOLDER_REFERENCE = "[INSTALLDIR]"


class Failure(Exception):
    pass


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def quoted(text, start):
    """The quoted string at text[start] (a quote) and the index after it."""
    i = start + 1
    while text[i] != '"':
        i += 2 if text[i] == "\\" else 1
    return unescape(text[start + 1:i]), i + 1


MACHINE = "\\registry\\machine\\"


def link_target(raw):
    """The key a link key's SymbolicLinkValue (hex(6):...) names, relative to
    the machine root."""
    data = bytes(int(b, 16) for b in raw.split(":", 1)[1].replace("\\", "").split(",") if b.strip())
    target = data.decode("utf-16-le")
    return target[len(MACHINE):] if target.lower().startswith(MACHINE) else None


def resolve_links(keys):
    """Shows the keys beneath each link key (a key both registry views
    share, such as the 32-bit view's TypeLib) under the link's name too."""
    links = {}
    for key, values in keys.items():
        raw = values.get("SymbolicLinkValue")
        if isinstance(raw, tuple) and raw[1].startswith("hex(6):"):
            target = link_target(raw[1])
            if target:
                links[key] = target
    shared = set()
    for link, target in links.items():
        del keys[link]["SymbolicLinkValue"]
        low = target.lower()
        for key in [k for k in keys if k.lower() == low or k.lower().startswith(low + "\\")]:
            alias = link + key[len(target):]
            keys.setdefault(alias, {}).update(keys[key])
            shared.add(alias.lower())
    return keys, shared


def read_reg(path):
    """{key: {name: value}} of a Wine registry file; keys keep their case,
    non-string values are kept as ('raw', text)."""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and i < len(lines) and not line.startswith("["):
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            current = keys.setdefault(unescape(line[1:line.rindex("]")]), {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            if line.startswith("@="):
                name, rest = "", line[2:]
            else:
                name, after = quoted(line, 0)
                rest = line[after + 1:]
            if rest.startswith('"'):
                current[name] = quoted(rest, 0)[0]
            else:
                current[name] = ("raw", rest)
    return resolve_links(keys)


def classes_view(registry):
    """(64-bit view, 32-bit view, other keys) of a machine registry file,
    each {lower-case key: (key as written, values)}. Keys the views share
    are left out of the 64-bit one."""
    keys, shared = registry
    view64, view32, other = {}, {}, {}
    shared64 = {k[len(CLASSES) + len(VIEW32):] for k in shared if k.startswith(CLASSES + VIEW32)}
    for key, values in keys.items():
        low = key.lower()
        # Another name of a key already listed (Software\Wow6432Node\Classes).
        if low in shared and not low.startswith(CLASSES + VIEW32):
            continue
        if low.startswith(CLASSES):
            rest = key[len(CLASSES):]
            if rest.lower() in shared64:
                continue
            if rest.lower().startswith(VIEW32):
                rest = rest[len(VIEW32):]
                view32[rest.lower()] = (rest, values)
            elif rest.lower() != VIEW32.rstrip("\\"):
                view64[rest.lower()] = (rest, values)
        else:
            other[low] = (key, values)
    return view64, view32, other


def added(before, after):
    """Keys of `after` that are new or have new or changed values."""
    changes = {}
    for low, (key, values) in after.items():
        old = before.get(low, (key, None))[1]
        if old is None:
            changes[low] = (key, dict(values))
        else:
            new = {n: v for n, v in values.items() if old.get(n) != v}
            if new:
                changes[low] = (key, new)
    return changes


# What Wine itself writes when it starts: its devices and network cards.
WINE_STATE = ("system\\", "software\\microsoft\\windows nt\\currentversion\\networkcards",
              "software\\wow6432node\\microsoft\\windows nt\\currentversion\\networkcards")


def to_package_value(value, module):
    if isinstance(value, tuple):
        raise Failure(f"a value that is not a string: {value[1]}")
    folder = module.rsplit("\\", 1)[0]
    if value.lower() == module.lower():
        return FILE_REFERENCE
    if value.lower() in (folder.lower(), folder.lower() + "\\"):
        return FOLDER_REFERENCE
    if module.lower() in value.lower() or folder.lower() in value.lower():
        raise Failure(f"a value that holds the module's path in other text: {value}")
    return value


def capture(before_path, after_path, removed_path, module, source, out_path):
    before = read_reg(before_path)
    after = read_reg(after_path)
    removed = read_reg(removed_path)
    b64, b32, bother = classes_view(before)
    a64, a32, aother = classes_view(after)
    r64, r32, _ = classes_view(removed)
    outside = added(bother, aother)
    outside = {k: v for k, v in outside.items() if not k.startswith(WINE_STATE)}
    if outside:
        raise Failure("registration wrote outside the classes root: " + ", ".join(k for k, _ in outside.values()))
    own, other_view = (a64, a32) if source == "x64" else (a32, a64)
    own_before, other_before = (b64, b32) if source == "x64" else (b32, b64)
    found = added(own_before, own)
    # A registration may also write keys into the other view (the x64 type
    # library registration does for its interfaces); the package writes
    # each key once, in the 32-bit view, so the copies must agree.
    for low, (key, values) in added(other_before, other_view).items():
        mine = found.get(low)
        if mine is not None and mine[1] != values:
            raise Failure(f"the two views disagree on {key}")
        found.setdefault(low, (key, values))
    if not found:
        raise Failure("the registration wrote nothing")
    registration = {}
    for low in sorted(found):
        key, values = found[low]
        if source == "x64":
            key = re.sub(r"^(TypeLib\\[^\\]+\\[^\\]+\\[^\\]+\\)win64$", r"\1win32", key, flags=re.I)
        has_children = any(o.startswith(low + "\\") for o in found)
        if not values and has_children:
            continue
        registration[key] = {name: to_package_value(v, module) for name, v in sorted(values.items())}
    left = [found[low][0] for low in found
            if (low in r64 and low not in b64) or (low in r32 and low not in b32)]
    if left:
        raise Failure("DllUnregisterServer left: " + ", ".join(left))
    with open(out_path, "w", encoding="utf-8") as f:
        json.dump({"keys": registration}, f, indent=1, sort_keys=True)
        f.write("\n")


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)["keys"]


# Folders of the classes root that many modules share: the registration
# owns the keys beneath them, not the folders.
SHARED = {"clsid", "typelib", "interface", "appid", "component categories"}


def roots(keys):
    """The topmost keys of the registration: the keys it owns outright."""
    tops = []
    for key in sorted(keys, key=str.lower):
        parts = key.split("\\")
        top = "\\".join(parts[:1] if len(parts) == 1 or parts[0].lower() not in SHARED else parts[:2])
        if top not in tops:
            tops.append(top)
    return tops


def row_id(*parts):
    return "reg" + hashlib.sha1("\0".join(parts).lower().encode()).hexdigest()[:24].upper()


def msi_text(value):
    """A value as formatted text: brackets escaped, a leading # doubled."""
    if value in (FILE_REFERENCE, FOLDER_REFERENCE):
        return value
    text = re.sub(r"[\[\]]", lambda m: "[\\" + m.group(0) + "]", value)
    return "#" + text if text.startswith("#") else text


def idt_field(text):
    if any(c in text for c in "\t\r\n"):
        raise Failure(f"a text the table format cannot carry: {text!r}")
    return text


def table(registration_path, component, out_path):
    keys = load(registration_path)
    rows = []
    for key, values in keys.items():
        if not values:
            # "*": created on install, removed with its contents on removal.
            rows.append((row_id(key, "*"), key, "*", ""))
        for name, value in values.items():
            rows.append((row_id(key, name), key, name, msi_text(value)))
    for top in roots(keys):
        # "-": removed with everything beneath it when the package is removed,
        # as DllUnregisterServer removes it.
        rows.append((row_id(top, "-"), top, "-", ""))
    with open(out_path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("Registry\tRoot\tKey\tName\tValue\tComponent_\n")
        f.write("s72\ti2\tl255\tL255\tL0\ts72\n")
        f.write("Registry\tRegistry\n")
        for rid, key, name, value in sorted(rows):
            f.write("\t".join([rid, "0", idt_field(key), idt_field(name), idt_field(value), component]) + "\n")


def read_idt(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        lines = f.read().replace("\r\n", "\n").split("\n")
    header = lines[0].split("\t")
    return [dict(zip(header, line.split("\t"))) for line in lines[3:] if line]


def compare(registration_path, idt_path):
    keys = load(registration_path)
    want = set()
    for key, values in keys.items():
        if not values:
            want.add((key.lower(), "*", ""))
        for name, value in values.items():
            want.add((key.lower(), name, msi_text(value)))
    for top in roots(keys):
        want.add((top.lower(), "-", ""))
    have = set()
    for row in read_idt(idt_path):
        if row["Root"] != "0":
            raise Failure(f"a row outside the classes root: {row}")
        have.add((row["Key"].lower(), row["Name"], row["Value"]))
    problems = [f"missing from the package: {r}" for r in sorted(want - have)]
    problems += [f"in the package but not registered: {r}" for r in sorted(have - want)]
    if problems:
        raise Failure("\n".join(problems))


def installed(registration_path, reg_path, folder):
    keys = load(registration_path)
    view64, view32, _ = classes_view(read_reg(reg_path))
    folder = folder.rstrip("\\") + "\\"
    resolved = {FILE_REFERENCE: folder + "RestorePlugIn.dll", FOLDER_REFERENCE: folder}
    problems = []
    for key, values in keys.items():
        found = view32.get(key.lower())
        if found is None:
            problems.append(f"missing in the 32-bit view: {key}")
            continue
        for name, value in values.items():
            want = resolved.get(value, value)
            have = found[1].get(name)
            if have != want:
                problems.append(f"{key} {name or '@'}: {have!r}, expected {want!r}")
    for top in roots(keys):
        low = top.lower()
        if any(k == low or k.startswith(low + "\\") for k in view64):
            problems.append(f"written to the 64-bit view: {top}")
    if problems:
        raise Failure("\n".join(problems))


def removed(registration_path, reg_path):
    keys = load(registration_path)
    view64, view32, _ = classes_view(read_reg(reg_path))
    left = []
    for top in roots(keys):
        low = top.lower()
        for name, view in (("32-bit", view32), ("64-bit", view64)):
            if any(k == low or k.startswith(low + "\\") for k in view):
                left.append(f"{top} ({name} view)")
    if left:
        raise Failure("left after removal: " + ", ".join(left))


def main(argv):
    args = argv[1:]
    if len(args) == 9 and args[0] == "capture" and args[4] == "--module" and args[6] == "--from":
        capture(args[1], args[2], args[3], args[5], args[7], args[8])
    elif len(args) == 4 and args[0] == "table":
        table(args[1], args[2], args[3])
    elif len(args) == 3 and args[0] == "compare":
        compare(args[1], args[2])
    elif len(args) == 4 and args[0] == "installed":
        installed(args[1], args[2], args[3])
    elif len(args) == 3 and args[0] == "removed":
        removed(args[1], args[2])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (Failure, OSError, ValueError, KeyError) as e:
        print(f"registration: {e}", file=sys.stderr)
        sys.exit(1)
