"""Writes zip archives made by an independent writer (Python's zipfile) for the reader's
tests: usage make_fixture_zips.py OUT_DIR."""
import sys
import zipfile
from pathlib import Path

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)

# Deflate and stored entries, a directory entry, a UTF-8 name, and a trailing comment.
with zipfile.ZipFile(out / "mixed.zip", "w") as z:
    z.writestr("index.html", "<!doctype html><title>t</title>" * 50, zipfile.ZIP_DEFLATED)
    z.writestr("assets/", "")
    z.writestr("Assets\\Logo.PNG", bytes(range(256)) * 4, zipfile.ZIP_STORED)
    z.writestr("js/app.js", "console.log('x');\n" * 200, zipfile.ZIP_DEFLATED)
    z.writestr("图片/照片.txt", "photo", zipfile.ZIP_DEFLATED)
    z.writestr("empty.txt", "", zipfile.ZIP_DEFLATED)
    z.comment = b"written by zipfile, with a comment after the end record"

# A name without the UTF-8 flag: zipfile writes such names in CP437 when they fit it.
with zipfile.ZipFile(out / "cp437.zip", "w") as z:
    z.writestr("caf\u00e9-\u00fc\u2591.txt", "cp437", zipfile.ZIP_DEFLATED)
