#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
"""NOTICES.txt, which a zip carries beside a program that has libraries
compiled in: what is in it, under which licences, in full.

What is in it is read from the link itself, not from a list kept by hand:
from GNU ld's map (-Map) or wasm-ld's trace (--trace), every archive member
and object file that went into the program. Each is Pellmor's own, or a
library that build-deps.sh built into the prefix (whose notice it left in
PREFIX/share/notices/), or part of the compiler's runtime, from the Debian
package that holds it (its copyright file is its licence, in full).
Anything else stops the build: a library without a notice does not ship.

  notices.py PROGRAM LINKED PREFIX VERSION BUILD OUT

PROGRAM names the program in the text, LINKED is the map or the trace,
VERSION Pellmor's, BUILD the setup.sh action that builds it.
"""
import functools
import os
import re
import shutil
import subprocess
import sys

# The compilers' runtimes, by the Debian packages that hold them: what they
# are, and their licences in words.
RUNTIMES = [
    (r"mingw-w64-(x86-64|i686)-dev", "The MinGW-w64 runtime",
     "its start-up code, its additions to the C library and the import libraries of Windows' own DLLs",
     "the Zope Public License 2.1, public domain and others, file by file, as Debian's copyright file of it says"),
    (r"g(cc|\+\+)-mingw-w64-(x86-64|i686)(-posix|-win32)?", "GCC's runtime libraries", "libgcc and libstdc++",
     "the GNU General Public License 3 or later, with the GCC Runtime Library Exception 3.1, which lets them be "
     "compiled into a program under any licence"),
    (r"emscripten", "Emscripten's runtime",
     "its own JavaScript and C parts, musl's C library, and LLVM's libc++, libc++abi and compiler-rt",
     "the MIT licence or the University of Illinois/NCSA Open Source License (Emscripten), the MIT licence (musl), "
     "the Apache License 2.0 with LLVM Exceptions (LLVM's), as Debian's copyright file of it says"),
]


def linked_files(record):
    """The archives and object files that the map or the trace says went into the program."""
    files = set()
    for line in open(record, encoding="utf-8", errors="replace"):
        member = re.match(r"(\S+\.a)\(", line)
        loaded = re.match(r"(?:LOAD )?(\S+\.(?:o|obj))$", line.rstrip("\n"))
        if member or loaded:
            files.add((member or loaded).group(1))
    return files


def read_notice(path):
    """A notice that build-deps.sh left: its header's fields, then the licence's text."""
    head, _, text = open(path, encoding="utf-8").read().partition("\n\n")
    fields = dict(line.split(": ", 1) for line in head.splitlines())
    return {**fields, "text": text}


@functools.lru_cache(maxsize=None)
def emscripten_cache():
    """Where Emscripten keeps the runtime it builds for itself, if it is here."""
    if not shutil.which("em-config"):
        return None
    found = subprocess.run(["em-config", "CACHE"], capture_output=True, text=True)
    return os.path.realpath(found.stdout.strip()) if found.returncode == 0 and found.stdout.strip() else None


def owner(path):
    """The Debian package that holds the file, if one does."""
    for candidate in (os.path.normpath(path), os.path.realpath(path)):
        found = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        if found.returncode == 0:
            return found.stdout.split(":")[0].split(",")[0].strip()
    # Debian 12's emscripten ships its runtime built; later ones build it on first use, into a cache of no package.
    cache = emscripten_cache()
    if cache and os.path.realpath(path).startswith(cache + os.sep):
        return "emscripten"
    return None


def runtime_notice(package):
    """The notice of a runtime of the compiler, by a package that holds a part of it."""
    for rank, (pattern, name, what, licence) in enumerate(RUNTIMES):
        if re.fullmatch(pattern, package):
            version = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package],
                                     capture_output=True, text=True).stdout
            return {"Name": "%s %s" % (name, re.sub(r"[-+~].*", "", version)), "What": what, "Licence": licence,
                    "Source": "Debian's package %s %s" % (package, version), "rank": 1000 + rank,
                    "text": open("/usr/share/doc/%s/copyright" % package, encoding="utf-8").read()}
    return None


def notices_of(files, prefix):
    """The notices of what went into the program, the prefix's first, then the runtimes'; and what has none."""
    prefix = os.path.realpath(prefix)
    folder = os.path.join(prefix, "share/notices")
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    built = [dict(read_notice(os.path.join(folder, name)), rank=rank) for rank, name in enumerate(names)]
    found, missing = [], []
    for path in sorted(files):
        name = os.path.basename(path)
        if not os.path.isabs(path) and (name == "libpellmor_game.a" or path.startswith("CMakeFiles/pellmor.dir/")):
            continue  # Pellmor's own: LICENSE.txt
        if os.path.realpath(path).startswith(prefix + os.sep):
            notice = next((n for n in built if name in n["Archives"].split()), None)
        else:
            package = owner(path)
            notice = package and runtime_notice(package)
        if notice is None:
            missing.append(path)
        elif all(n["rank"] != notice["rank"] for n in found):  # GCC's runtime comes in two packages
            found.append(notice)
    return sorted(found, key=lambda n: n["rank"]), missing


def title(notice):
    return notice["Name"] + (" (%s)" % notice["What"] if "What" in notice else "")


def wrapped(text, width=76):
    lines, line = [], ""
    for word in text.split():
        if line and len(line) + 1 + len(word) > width:
            lines.append(line)
            line = word
        else:
            line = (line + " " + word).strip()
    return "\n".join(lines + [line])


def main():
    program, record, prefix, version, build, out = sys.argv[1:]
    notices, missing = notices_of(linked_files(record), prefix)
    if missing:
        sys.exit("notices.py: compiled into %s, but no notice says under which licence:\n  %s\n"
                 "A library of the prefix needs its notice in %s/share/notices (build-deps.sh writes them); a "
                 "runtime of the compiler, its Debian package in tools/notices.py." % (program, "\n  ".join(missing), prefix))
    heading = "Pellmor %s: the licences of what %s holds" % (version, program)
    parts = [heading + "\n" + "=" * len(heading),
             wrapped("%s is Pellmor's own code, under the MIT licence (LICENSE.txt), compiled together with what "
                     "is listed below: each with its version, its licence and where its source came from. Their "
                     "licences follow in full. The font, delusion.ttf, is under the SIL Open Font License 1.1 "
                     "(delusion.ttf-copyright.txt)." % (program[0].upper() + program[1:])),
             "\n".join(wrapped("- %s:" % title(n)).replace("\n", "\n  ") + "\n  " +
                       wrapped(n["Licence"] + ".", 74).replace("\n", "\n  ") for n in notices)]
    for n in notices:
        if "Lesser General Public License" in n["Licence"]:
            parts.append(wrapped(
                "%s is under the GNU Lesser General Public License. Its complete source as it is compiled into %s, "
                "with Pellmor's changes to it and the scripts that build it, is pellmor-%s-libraries.tar.gz, which "
                "is published beside this program and Pellmor's own source, pellmor-%s.tar.gz: whoever passes the "
                "program on passes both on with it, or offers them from the same place. From the two, unpacked into "
                "one folder, ./setup.sh %s builds the program again, with the library as you have changed it."
                % (n["Name"], program, version, version, build)))
        if "Credit" in n:
            parts.append(wrapped("%s: %s" % (n["Name"], n["Credit"])))
    for n in notices:
        parts.append("-" * 76 + "\n" + wrapped(title(n)) + "\n\n" +
                     wrapped("Licence: " + n["Licence"]) + "\n" +
                     wrapped("Source: " + n["Source"]) + "\n\n" + n["text"].rstrip("\n"))
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n\n".join(parts) + "\n")


if __name__ == "__main__":
    main()
