#!/usr/bin/env python3
"""Fails when a binary exports a symbol of ours to the dynamic linker: any `vantreel::` name,
or any defined dynamic symbol beyond the ones allowed. Copy relocations of the C library's
variables (stderr@GLIBC_...) belong to the C library and are allowed.
Usage: check_exports.py BINARY [ALLOWED_SYMBOL...]"""
import subprocess
import sys


def main():
    path, allowed = sys.argv[1], set(sys.argv[2:])
    out = subprocess.run(["nm", "-D", "--defined-only", "-C", path], check=True, capture_output=True,
                         text=True).stdout
    bad = []
    for line in out.splitlines():
        name = line.split(" ", 2)[-1]
        if "vantreel::" in name or (name not in allowed and "@" not in name):
            bad.append(name)
    for name in bad:
        print(f"{path}: exports {name}")
    print(f"{path}: {len(out.splitlines())} defined dynamic symbols")
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
