#!/usr/bin/env python3
"""Checks the dynamic symbols that libklvplatform.so defines against what it means to export.

The platform library is built with hidden visibility and exports two things:
  1. the host services of the public headers: the KLV_HOST_API functions of include/*.h
     (klv_plugin.h, klv_dialog.h), plain C functions that plug-ins link against by name;
  2. the C++ API of namespace klv::platform marked KLV_PLATFORM_API: functions and whole
     classes with their members, and the vtables and typeinfo that let other libraries and
     programs derive from them (window systems, test back ends) and compare their types.

Rule, for every defined dynamic symbol (nm -D --defined-only, demangled with -C):
  - an unmangled name must be a declared host service, and a function (T): no sqlite3_*, no
    Pa_*, nothing a static library or a stray extern "C" brings in;
  - a mangled name must belong to an entity of klv::platform itself: its demangled name, less
    a compiler prefix such as "vtable for " or "typeinfo for " and less template arguments,
    names something in klv::platform. A klv::platform type as a template argument does not
    count: std::vector<klv::platform::X>::_M_realloc_insert is the standard library's code;
  - nothing in a detail namespace of klv::platform or in an anonymous namespace: internals.

So no template code of the standard library may be exported, not even the typeinfo and
vtables of std:: templates over klv::platform types. Namespace std is declared with default
visibility, so -fvisibility=hidden does not hide its instantiations; the version script
(platform/exports.map) does. Nothing needs them shared: each library instantiates its own,
and libstdc++ compares typeinfo by name. What vague linkage does force, the vtable and typeinfo
of an exported klv::platform class, passes under the second rule.

Declared host services that are not exported fail too.
"""
import argparse
import re
import subprocess
import sys

# Symbols every shared object carries, made by the linker rather than by our code.
LINKER_SYMBOLS = {"_init", "_fini", "_edata", "_end", "__bss_start"}

HOST_DECLARATION = re.compile(r"\bKLV_HOST_API\b[^;{]*?\b([A-Za-z_]\w*)\s*\(", re.S)

# Prefixes of the names the compiler gives to the objects and thunks that belong to an entity.
SPECIAL_PREFIXES = ("vtable for ", "VTT for ", "construction vtable for ", "typeinfo for ",
                    "typeinfo name for ", "guard variable for ", "non-virtual thunk to ",
                    "virtual thunk to ", "covariant return thunk to ", "reference temporary ")

NAMESPACE = "klv::platform::"
# A detail namespace (detail::, profile_detail::) or an anonymous one anywhere in the name.
INTERNAL = re.compile(r"(?:^|::)\w*detail::|\{anonymous\}")


def host_services(headers):
    names = set()
    for path in headers:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        # Comments may mention names; only declarations count.
        text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
        text = re.sub(r"//[^\n]*", " ", text)
        text = re.sub(r"^\s*#.*$", " ", text, flags=re.M)
        names |= set(HOST_DECLARATION.findall(text))
    return names


def defined_symbols(nm, library):
    """(kind, raw name, demangled name) of every defined dynamic symbol."""
    def run(*flags):
        # -p keeps the symbol table's order, so that both listings pair up line by line.
        out = subprocess.run([nm, "-D", "--defined-only", "-p", *flags, library], check=True,
                             capture_output=True, text=True).stdout
        rows = []
        for line in out.splitlines():
            # "address kind name": the demangled name may contain blanks.
            parts = line.split(None, 2)
            if len(parts) == 3:
                rows.append((parts[1], parts[2].split("@", 1)[0]))
        return rows

    raw = run()
    demangled = run("-C")
    if len(raw) != len(demangled):
        raise SystemExit("nm listed the symbols differently with and without -C")
    return [(kind, name, pretty) for (kind, name), (_, pretty) in zip(raw, demangled)]


def owner_of(pretty):
    """The entity a demangled name belongs to, without the compiler's special prefixes."""
    for prefix in SPECIAL_PREFIXES:
        if pretty.startswith(prefix):
            rest = pretty[len(prefix):]
            if prefix == "reference temporary ":
                # "reference temporary #0 for <entity>"
                rest = rest.split(" for ", 1)[-1]
            return rest
    return pretty


def without_template_arguments(text):
    out, depth, i = [], 0, 0
    while i < len(text):
        if text.startswith("operator", i):
            # operator<, operator<<, operator-> ... are names, not brackets.
            j = i + len("operator")
            while j < len(text) and text[j] in "<>=-":
                j += 1
            if depth == 0:
                out.append(text[i:j])
            i = j
            continue
        c = text[i]
        if c == "<":
            depth += 1
        elif c == ">" and depth > 0:
            depth -= 1
        elif depth == 0:
            out.append(c)
        i += 1
    return "".join(out)


def entity_name(pretty):
    """The qualified name of the entity itself, without template arguments and parameters:
    "klv::platform::X::f" for "klv::platform::X::f(std::vector<int> const&) const",
    "std::vector::_M_realloc_insert" for an instantiation over a klv::platform type."""
    text = owner_of(pretty).replace("(anonymous namespace)", "{anonymous}")
    words = without_template_arguments(text).split("(", 1)[0].split()
    # A template function's demangled name starts with its return type; the entity's own name
    # is the last word before the parameter list.
    return words[-1] if words else ""


def judge(kind, name, pretty, services):
    """None when the symbol may be exported, otherwise why not."""
    if name in LINKER_SYMBOLS:
        return None
    if not name.startswith("_Z"):
        if name in services:
            return None if kind == "T" else "host service exported as a non-function"
        return "C symbol that is no host service of the public headers"
    entity = entity_name(pretty)
    if not entity.startswith(NAMESPACE):
        return "outside klv::platform"
    if INTERNAL.search(entity):
        return "internal (detail or anonymous namespace)"
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--header", action="append", required=True,
                        help="public header declaring KLV_HOST_API functions (repeatable)")
    parser.add_argument("--library", required=True)
    args = parser.parse_args()

    services = host_services(args.header)
    if not services:
        print("no KLV_HOST_API declarations found in " + " ".join(args.header))
        return 1
    symbols = defined_symbols(args.nm, args.library)

    failures = []
    api = 0
    for kind, name, pretty in symbols:
        why = judge(kind, name, pretty, services)
        if why:
            failures.append(f"{why}: {kind} {pretty}")
        elif name.startswith("_Z"):
            api += 1
    missing = sorted(services - {name for _, name, _ in symbols})

    print(f"{len(services)} host services declared, {len(services) - len(missing)} exported; "
          f"{api} C++ symbols of klv::platform exported")
    for name in missing:
        print(f"HOST SERVICE NOT EXPORTED: {name}")
    for line in sorted(failures):
        print(f"EXTRA EXPORT, {line}")
    return 1 if failures or missing else 0


if __name__ == "__main__":
    sys.exit(main())
