#!/usr/bin/env python3
"""scripts/check-layers on throw-away trees with one include each, and on the real source tree.

Usage: check_layers_test.py CHECK_LAYERS SOURCE_ROOT
"""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = ""
ROOT = ""

# (file, include line, None when allowed or a piece of the expected complaint)
ROWS = [
    ("platform/files.cpp", '#include "framework/stream.h"', "framework is a layer above platform"),
    ("platform/files.cpp", '#include "platform/draw/rect.h"', "platform/draw is a sibling platform may not use"),
    ("packfiles/lzr.cpp", '#include "archive/un_rar.h"', "archive is a sibling packfiles may not use"),
    ("packfiles/lzr.cpp", '#include "platform/files.h"', "packfiles may not use platform"),
    ("archive/un_rar.cpp", '#include "framework/forms/form.h"', "archive may not use framework/forms"),
    ("archive/un_rar.cpp", '#include "unrar/rar4_reader.h"', "archive may not use unrar"),
    ("archive/un_rar.cpp", "#include <QString>", "archive is built without Qt"),
    ("archive/un_rar.cpp", "#include <framework/forms/form.h>", "archive may not use framework/forms"),
    ("unrar/archive.cpp", '#include "platform/files.h"', "unrar may not use platform"),
    ("framework/stream.cpp", '#include "framework/forms/control.h"',
     "framework/forms is a layer above framework"),
    ("framework/forms/form.cpp", '#include "framework/stdctrls/label.h"',
     "framework/stdctrls is a layer above framework/forms"),
    ("formatcore/vint.cpp", '#include "framework/exception.h"', "framework is a layer above formatcore"),
    ("controls/gauge.cpp", '#include "shape/region.h"', "shape is a sibling controls may not use"),
    ("framework/stream.cpp", '#include "app/main_form.h"', "app is a layer above framework"),
    ("archive/un_rar.cpp", '#include "tests/support/temp.h"', "tests/ is no product layer"),
    ("archive/un_rar.cpp", '#include "../app/main_form.h"', "app is a layer above archive"),
    ("archive/un_rar.cpp", '#include "../../outside.h"', "climbs out of the source tree"),
    # allowed
    ("archive/un_rar.cpp", '#include "unrar/unrar.h"', None),
    ("archive/un_rar.cpp", '#include "formatcore/vint.h"', None),
    ("unrar/archive.cpp", '#include "formatcore/block.h"', None),
    ("framework/design_parser.cpp", '#include "formatcore/utf8.h"', None),
    ("framework/stdctrls/label.cpp", '#include "platform/folders.h"', None),
    ("app/main.cpp", '#include "controls/gauge.h"', None),
    ("archive/un_rar.cpp", '#include "un_base.h"', None),
    ("archive/un_rar.cpp", '// #include "framework/forms/form.h"', None),
    ("platform/draw/dc.cpp", "#include <QImage>", None),
    ("tests/archive/x_test.cpp", '#include "app/main_form.h"', None),
    ("tools/lzr/main.cpp", '#include "framework/forms/form.h"', None),
]


def run_check(root):
    return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


class CheckLayersTest(unittest.TestCase):
    def test_each_include_is_judged_by_its_folder_rule(self):
        for source, include, complaint in ROWS:
            with self.subTest(source=source, include=include), tempfile.TemporaryDirectory() as root:
                os.makedirs(os.path.join(root, os.path.dirname(source)))
                with open(os.path.join(root, source), "w") as f:
                    f.write("// A file with one include.\n\n" + include + "\n")
                result = run_check(root)
                if complaint is None:
                    self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                else:
                    self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                    self.assertIn(f"{source}:3: {include}: ", result.stdout)
                    self.assertIn(complaint, result.stdout)

    def test_every_broken_include_is_reported(self):
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, "packfiles"))
            with open(os.path.join(root, "packfiles", "lzr.cpp"), "w") as f:
                f.write('#include "packfiles/lzr.h"\n#include "archive/a.h"\n#include "app/b.h"\n')
            result = run_check(root)
            self.assertEqual(result.returncode, 1)
            self.assertEqual(result.stdout.splitlines(), [
                'packfiles/lzr.cpp:2: #include "archive/a.h": archive is a sibling packfiles may '
                "not use (packfiles uses the framework core only)",
                'packfiles/lzr.cpp:3: #include "app/b.h": app is a layer above packfiles '
                "(packfiles uses the framework core only)",
            ])

    def test_the_source_tree_keeps_its_layers(self):
        result = run_check(ROOT)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    CHECK, ROOT = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
