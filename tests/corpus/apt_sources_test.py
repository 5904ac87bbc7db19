#!/usr/bin/env python3
"""The deb-src source that tests/corpus/fetch derives from a machine's apt sources."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "apt_sources.py")

DEBIAN_SOURCES = """\
Types: deb
# a comment inside the stanza
URIs: file:/srv/mirror/debian
Suites: bookworm bookworm-updates
Components: main contrib
Architectures: amd64
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: file:/srv/mirror/debian-security
Suites: bookworm-security
Components: main
"""

# name: (files below etc/apt, codename, expected stanza without its origin comment, or None)
DERIVE_ROWS = {
    "Deb822TakesTheReleaseSuiteAndItsOptions": (
        {"sources.list.d/debian.sources": DEBIAN_SOURCES}, "bookworm",
        "Types: deb-src\nURIs: file:/srv/mirror/debian\nSuites: bookworm\n"
        "Components: main contrib\n"
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n"),
    "OneLineMirrorKeepsItsOptionsButNotTheArchitecture": (
        {"sources.list": "# deb file:/srv/old bookworm main\n"
                         "deb [ arch=amd64 signed-by=/k/a.gpg,/k/b.gpg trusted=yes ] "
                         "file:/srv/mirror bookworm main non-free-firmware # local\n"},
         "bookworm",
         "Types: deb-src\nURIs: file:/srv/mirror\nSuites: bookworm\n"
         "Components: main non-free-firmware\nSigned-By: /k/a.gpg /k/b.gpg\nTrusted: yes\n"),
    "WithoutCodenameAReleaseSuiteIsTaken": (
        {"sources.list": "deb file:/srv/m/debian stable-updates main\n"
                         "deb file:/srv/m/debian-security stable-security main\n"
                         "deb file:/srv/m/debian stable main\n"},
        "",
        "Types: deb-src\nURIs: file:/srv/m/debian\nSuites: stable\nComponents: main\n"),
    "DisabledCdromAndFlatSourcesAreNotUsed": (
        {"sources.list": "deb cdrom:[Debian 12]/ bookworm main\n",
         "sources.list.d/a.sources": "Types: deb\nEnabled: no\nURIs: file:/srv/off\n"
                                     "Suites: bookworm\nComponents: main\n",
         "sources.list.d/b.list": "deb file:/srv/flat ./\n",
         "sources.list.d/c.list.disabled": "deb file:/srv/ignored bookworm main\n",
         "sources.list.d/d.list": "deb\tfile:/srv/on\tbookworm\tmain\n"},
        "bookworm",
        "Types: deb-src\nURIs: file:/srv/on\nSuites: bookworm\nComponents: main\n"),
    "AnInlineKeyIsCarriedWhole": (
        {"sources.list.d/k.sources": "Types: deb\nURIs: file:/srv/k\nSuites: bookworm\n"
                                     "Components: main\nSigned-By:\n -----BEGIN PGP-----\n .\n"
                                     " abc\n -----END PGP-----\n"},
        "bookworm",
        "Types: deb-src\nURIs: file:/srv/k\nSuites: bookworm\nComponents: main\n"
        "Signed-By: \n -----BEGIN PGP-----\n .\n abc\n -----END PGP-----\n"),
    "OnlyUpdatesAndSecurityGiveNothing": (
        {"sources.list": "deb file:/srv/m/debian bookworm-updates main\n"
                         "deb file:/srv/m/debian-security bookworm-security main\n"},
        "bookworm", None),
}

# name: (files below etc/apt, whether an enabled deb-src source exists)
DEB_SRC_ROWS = {
    "OneLine": ({"sources.list": "deb-src file:/srv/m/d bookworm main\n"}, True),
    "Deb822BesideDeb": ({"sources.list.d/a.sources": "Types: deb deb-src\nURIs: file:/srv/m/d\n"
                                                     "Suites: bookworm\nComponents: main\n"},
                        True),
    "CommentedOut": ({"sources.list": "# deb-src file:/srv/m/d bookworm main\n"}, False),
    "DisabledStanza": ({"sources.list.d/a.sources": "Types: deb-src\nEnabled: no\n"
                                                    "URIs: file:/srv/m/d\nSuites: bookworm\n"
                                                    "Components: main\n"}, False),
    "FileAptIgnores": ({"sources.list.d/a.list.save": "deb-src file:/srv/m/d bookworm main\n"},
                       False),
    "DebOnly": ({"sources.list.d/debian.sources": DEBIAN_SOURCES}, False),
}


def run(files, *args):
    with tempfile.TemporaryDirectory() as etc:
        os.makedirs(os.path.join(etc, "sources.list.d"))
        for name, text in files.items():
            with open(os.path.join(etc, name), "w", encoding="utf-8") as f:
                f.write(text)
        return subprocess.run([sys.executable, SCRIPT, args[0], etc, *args[1:]],
                              capture_output=True, text=True, check=False)


class AptSources(unittest.TestCase):
    def test_derived_deb_src_stanza(self):
        for name, (files, codename, expected) in DERIVE_ROWS.items():
            with self.subTest(name):
                result = run(files, "derive", codename)
                if expected is None:
                    self.assertEqual(result.returncode, 1)
                    self.assertIn("no enabled deb source", result.stderr)
                    continue
                self.assertEqual(result.returncode, 0, result.stderr)
                origin, _, stanza = result.stdout.partition("\n")
                self.assertTrue(origin.startswith("# derived from "), origin)
                self.assertEqual(stanza, expected)

    def test_enabled_deb_src_sources_are_found(self):
        for name, (files, present) in DEB_SRC_ROWS.items():
            with self.subTest(name):
                self.assertEqual(run(files, "has-deb-src").returncode, 0 if present else 1)


if __name__ == "__main__":
    unittest.main()
