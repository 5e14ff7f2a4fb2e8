#!/usr/bin/env python3
"""Compares the dynamic symbols that libklv3.so defines with the KLV_API functions of klv3.h.

Any defined symbol the header does not declare fails the check: the library exports the
interface and nothing else. Declared functions that are not exported yet are listed for
information only; they arrive with the parts of the engine that implement them.
"""
import argparse
import re
import subprocess
import sys

# Symbols every shared object carries, made by the linker rather than by our code.
LINKER_SYMBOLS = {"_init", "_fini", "_edata", "_end", "__bss_start"}

DECLARATION = re.compile(r"\bKLV_API\b[^;{]*?\b([A-Za-z_]\w*)\s*\(", re.S)


def declared_functions(header_path):
    with open(header_path, encoding="utf-8") as f:
        text = f.read()
    # Comments may mention names; only declarations count.
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    text = re.sub(r"^\s*#.*$", " ", text, flags=re.M)
    return set(DECLARATION.findall(text))


def defined_symbols(nm, library):
    out = subprocess.run([nm, "-D", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    symbols = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) < 3:
            continue
        kind, name = parts[-2], parts[-1]
        name = name.split("@", 1)[0]
        if name not in LINKER_SYMBOLS:
            symbols[name] = kind
    return symbols


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--header", required=True)
    parser.add_argument("--library", required=True)
    args = parser.parse_args()

    declared = declared_functions(args.header)
    if not declared:
        print(f"no KLV_API declarations found in {args.header}")
        return 1
    exported = defined_symbols(args.nm, args.library)

    extra = sorted(name for name in exported if name not in declared)
    not_functions = sorted(name for name in exported
                           if name in declared and exported[name] not in ("T", "t"))
    missing = sorted(declared - exported.keys())

    print(f"{len(declared)} functions declared, "
          f"{len(declared) - len(missing)} of them exported")
    if missing:
        print("not exported yet: " + " ".join(missing))
    for name in extra:
        print(f"EXTRA EXPORT: {exported[name]} {name}")
    for name in not_functions:
        print(f"EXPORTED AS NON-FUNCTION: {exported[name]} {name}")
    return 1 if extra or not_functions else 0


if __name__ == "__main__":
    sys.exit(main())
