#!/usr/bin/env python3
"""Independent computations for the auth tests (hashlib and the openssl command line).

Every text argument is hex with an "x" in front, so that an empty value survives the shell.
  digest PROVISIONING TIMESTAMP RANDOM CLIENT_TYPE IDENTIFIER
      SHA-256 hex of "timestamp:random:K1:K2:clientType:identifier"
  token PROVISIONING IDENTIFIER...
      one token per identifier: AES-256-CBC, key = SHA-256(UTF-16LE(seed + salt)), IV = its
      first 16 bytes, salt = seed characters 1, 2, 5, 7, 9; Base64
  aes KEY IV PLAIN...
      Base64 of AES-256-CBC (PKCS #7) of each plain text
"""
import base64
import hashlib
import json
import subprocess
import sys


def arg(text):
    assert text.startswith("x")
    return bytes.fromhex(text[1:])


def provisioning(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def aes(key, iv, plain):
    cipher = subprocess.run(["openssl", "enc", "-aes-256-cbc", "-K", key.hex(), "-iv", iv.hex()],
                            input=plain, stdout=subprocess.PIPE, check=True).stdout
    return base64.b64encode(cipher).decode()


def main():
    command, rest = sys.argv[1], sys.argv[2:]
    if command == "digest":
        doc = provisioning(rest[0])
        ts, random, client, ident = (arg(a) for a in rest[1:5])
        k1, k2 = doc["keyPart1"].encode(), doc["keyPart2"].encode()
        print(hashlib.sha256(b":".join([ts, random, k1, k2, client, ident])).hexdigest())
    elif command == "token":
        seed = provisioning(rest[0])["seed"]
        material = seed + "".join(seed[i - 1] for i in (1, 2, 5, 7, 9))
        digest = hashlib.sha256(material.encode("utf-16-le")).digest()
        for ident in rest[1:]:
            print(aes(digest, digest[:16], arg(ident)))
    elif command == "aes":
        key, iv = arg(rest[0]), arg(rest[1])
        for plain in rest[2:]:
            print(aes(key, iv, arg(plain)))
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
