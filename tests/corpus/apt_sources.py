#!/usr/bin/env python3
"""Reads the machine's own apt sources for tests/corpus/fetch.

Usage:
  apt_sources.py has-deb-src ETC_APT
      exits 0 when an enabled deb-src source exists, 1 otherwise
  apt_sources.py derive ETC_APT [CODENAME]
      prints a deb822 stanza for a deb-src source with the address, suite, components and
      options of the first enabled deb source of the release CODENAME (without one: of a suite
      that is not an -updates, -security or similar suite); exits 1 with a message when there
      is none

ETC_APT is apt's configuration folder (/etc/apt): its sources.list and the *.list (one-line)
and *.sources (deb822) files of sources.list.d, in the order apt reads them. Deriving the
source from the machine's own keeps a local mirror, a proxy address or a pinned snapshot.
"""

import os
import sys

# One-line options that only concern binary packages, and their deb822 names.
BINARY_ONLY = {"arch": "architectures", "lang": "languages", "target": "targets"}
# deb822 fields that the derived stanza sets itself or that only concern binary packages.
NOT_CARRIED = {"types", "uris", "suites", "components", "enabled"} | set(BINARY_ONLY.values())


class Source:
    """One enabled source: its types, addresses, suites, components and other fields as
    (name, value lines) in their original spelling."""

    def __init__(self, origin, types, uris, suites, components, options):
        self.origin = origin
        self.types = types
        self.uris = uris
        self.suites = suites
        self.components = components
        self.options = options


def source_files(etc):
    files = [os.path.join(etc, "sources.list")]
    parts = os.path.join(etc, "sources.list.d")
    if os.path.isdir(parts):
        for name in sorted(os.listdir(parts)):
            if name.endswith(".list") or name.endswith(".sources"):
                files.append(os.path.join(parts, name))
    return [f for f in files if os.path.isfile(f)]


def deb822_field_name(option):
    """A one-line option's deb822 name: signed-by -> Signed-By."""
    return "-".join(word.capitalize() for word in option.split("-"))


def parse_one_line(path, text):
    sources = []
    for number, line in enumerate(text.splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        kind, _, rest = line.replace("\t", " ").partition(" ")
        options = []
        rest = rest.strip()
        if rest.startswith("["):
            inside, closed, rest = rest[1:].partition("]")
            if not closed:
                continue
            for option in inside.split():
                name, _, value = option.partition("=")
                name = name.rstrip("+-").lower()
                if name not in BINARY_ONLY:
                    # Lists are comma-separated here and blank-separated in deb822.
                    options.append((deb822_field_name(name), [value.replace(",", " ")]))
        words = rest.split()
        if kind not in ("deb", "deb-src") or len(words) < 2:
            continue
        sources.append(
            Source(f"{path}:{number}", [kind], [words[0]], [words[1]], words[2:], options))
    return sources


def stanzas(text):
    """The stanzas of a deb822 file as lists of (name, value lines); comments are dropped and
    continuation lines kept as they are, so that an inline key survives."""
    current = []
    for line in text.splitlines():
        if line.startswith("#"):
            continue
        if not line.strip():
            if current:
                yield current
            current = []
        elif line[0] in " \t":
            if current:
                current[-1][1].append(line)
        else:
            name, _, value = line.partition(":")
            current.append((name.strip(), [value.strip()]))
    if current:
        yield current


def parse_deb822(path, text):
    sources = []
    for number, fields in enumerate(stanzas(text), 1):
        values = {name.lower(): " ".join(lines).split() for name, lines in fields}
        if values.get("enabled", ["yes"])[0].lower() in ("no", "false", "0"):
            continue
        options = [(name, lines) for name, lines in fields if name.lower() not in NOT_CARRIED]
        sources.append(
            Source(f"{path} (stanza {number})", values.get("types", []), values.get("uris", []),
                   values.get("suites", []), values.get("components", []), options))
    return sources


def read_sources(etc):
    sources = []
    for path in source_files(etc):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        parse = parse_deb822 if path.endswith(".sources") else parse_one_line
        sources.extend(parse(path, text))
    return sources


def is_release_suite(suite):
    """A suite of a release itself, not of its updates, security fixes or backports; a flat
    repository ("./") has no components to name."""
    return "-" not in suite and "/" not in suite


def derive(sources, codename):
    for wanted in ([lambda s: s == codename] if codename else []) + [is_release_suite]:
        for source in sources:
            if "deb" not in source.types or not source.components:
                continue
            suites = [s for s in source.suites if wanted(s)]
            uris = [u for u in source.uris if not u.startswith("cdrom:")]
            if suites and uris:
                return source, uris[0], suites[0]
    return None


def stanza(source, uri, suite):
    lines = [
        f"# derived from {source.origin}",
        "Types: deb-src",
        f"URIs: {uri}",
        f"Suites: {suite}",
        f"Components: {' '.join(source.components)}",
    ]
    for name, value in source.options:
        lines.append(f"{name}: {value[0]}")
        lines.extend(value[1:])
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) < 3 or argv[1] not in ("has-deb-src", "derive"):
        sys.stderr.write(__doc__)
        return 2
    sources = read_sources(argv[2])
    if argv[1] == "has-deb-src":
        return 0 if any("deb-src" in s.types for s in sources) else 1
    found = derive(sources, argv[3] if len(argv) > 3 else "")
    if found is None:
        sys.stderr.write(f"no enabled deb source of the release in {argv[2]}\n")
        return 1
    sys.stdout.write(stanza(*found))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
