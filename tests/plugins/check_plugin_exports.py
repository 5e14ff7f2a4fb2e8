#!/usr/bin/env python3
"""A plug-in library exports its plugin_ entry points and nothing else."""
import subprocess
import sys

ENTRY_POINTS = {"plugin_init", "plugin_uninit", "plugin_process", "plugin_info", "plugin_about",
                "plugin_settings"}
LINKER_SYMBOLS = {"_init", "_fini", "_edata", "_end", "__bss_start"}


def main():
    nm, library = sys.argv[1], sys.argv[2]
    out = subprocess.run([nm, "-D", "--defined-only", library], check=True, capture_output=True,
                         text=True).stdout
    names = {line.split()[-1].split("@", 1)[0] for line in out.splitlines() if line.split()}
    extra = sorted(names - ENTRY_POINTS - LINKER_SYMBOLS)
    missing = sorted(ENTRY_POINTS - names)
    for name in extra:
        print(f"exported but not an entry point: {name}")
    for name in missing:
        print(f"entry point not exported: {name}")
    return 1 if extra or missing else 0


if __name__ == "__main__":
    sys.exit(main())
