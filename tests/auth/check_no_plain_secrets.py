#!/usr/bin/env python3
"""Fails when a plain provisioned secret (the seed, K1 or K2, as UTF-8 or UTF-16LE) occurs in
any of the given binaries. Usage: check_no_plain_secrets.py PROVISIONING BINARY..."""
import json
import sys


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        doc = json.load(f)
    secrets = {name: doc[name] for name in ("seed", "keyPart1", "keyPart2")}
    found = False
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            data = f.read()
        for name, text in secrets.items():
            for encoding in ("utf-8", "utf-16-le"):
                if text.encode(encoding) in data:
                    print(f"{path}: plain {name} ({encoding}) found")
                    found = True
        print(f"{path}: checked {len(data)} bytes")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
