#!/usr/bin/env python3
"""products.py SYSTEM.REG UPGRADE_CODE: the product codes Windows Installer
lists as installed under the upgrade code, one a line (packed GUIDs turned
back into their registry form)."""
import re
import sys


def packed(guid):
    """Windows Installer's packed form of a GUID: each of the first three
    groups reversed, then the two digits of each following byte swapped."""
    h = re.sub(r"[^0-9A-F]", "", guid.upper())
    rest = h[16:]
    return h[7::-1] + h[11:7:-1] + h[15:11:-1] + "".join(rest[i + 1] + rest[i] for i in range(0, 16, 2))


def unpacked(text):
    h = text.upper()
    rest = "".join(h[16 + i + 1] + h[16 + i] for i in range(0, 16, 2))
    g = h[7::-1] + h[11:7:-1] + h[15:11:-1] + rest
    return "{%s-%s-%s-%s-%s}" % (g[:8], g[8:12], g[12:16], g[16:20], g[20:])


def main(reg, upgrade_code):
    key = "[software\\\\classes\\\\installer\\\\upgradecodes\\\\" + packed(upgrade_code).lower() + "]"
    inside = False
    with open(reg, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("["):
                inside = line.lower().startswith(key)
            elif inside and line.startswith('"'):
                print(unpacked(line[1:33]))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
