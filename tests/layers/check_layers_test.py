#!/usr/bin/env python3
"""scripts/check_layers.py on a scratch copy of the tree, one planted fault per case.

    check_layers_test.py SOURCE_DIR
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else ".").resolve()
SCRIPT = SOURCE / "scripts" / "check_layers.py"

# name, file to add the line to (created if missing), the line, what the report must say.
FAULTS = [
    ("upward include", "src/grid/StatusGrid.cpp", '#include "window/StatusWindow.h"',
     "src/grid/StatusGrid.cpp:"),
    ("sideways include", "src/commands/MenuModel.cpp", '#include "groups/GroupStore.h"',
     "commands/ may not include groups/"),
    ("relative include upward", "src/grid/StatusGrid.cpp", '#include "../window/StatusWindow.h"',
     'relative include "../window/StatusWindow.h"'),
    ("relative include downward", "src/window/Severity.cpp", '#include "../grid/StatusGrid.h"',
     'relative include "../grid/StatusGrid.h"'),
    ("relative include within the folder", "src/grid/StatusGrid.cpp", '#include "./TextTable.h"',
     'relative include "./TextTable.h"'),
    ("product includes the site", "src/status/Filler.cpp", '#include "site/DemoSite.h"',
     "status/ may not include site/"),
    ("site includes the grid", "src/site/DemoSite.cpp", '#include "grid/StatusGrid.h"',
     "site/ may not include grid/"),
    ("folder in no layer", "src/extra/Extra.h", "#pragma once", "src/extra/ is in no layer"),
    ("public header includes an internal one", "include/statusobject/Status.h", '#include "base/Texts.h"',
     'public header includes "base/Texts.h"'),
    ("public header includes relatively", "include/statusobject/Host.h", '#include "../../src/base/Texts.h"',
     'public header includes "../../src/base/Texts.h"'),
    ("application includes src", "apps/statusviewer/demo/App.cpp", '#include "window/StatusWindow.h"',
     'apps/ includes "window/StatusWindow.h"'),
    ("application includes src relatively", "apps/statusviewer/demo/App.cpp",
     '#include "../../../src/window/StatusWindow.h"', "reaches into src/"),
    ("site bus includes src", "sitebus/SiteWire.cpp", '#include "db/ConnectionImpl.h"',
     'sitebus/ includes "db/ConnectionImpl.h"'),
    ("role includes a role above", "apps/statusviewer/host/AppLog.cpp", '#include "desk/Workstation.h"',
     "apps/statusviewer/host/AppLog.cpp:"),
    ("role header includes a role above", "apps/statusviewer/field/SimulatedField.h", '#include "demo/App.h"',
     "role field/ may not include demo/"),
    ("roles side by side", "apps/statusviewer/desk/Workstation.cpp", '#include "field/SimulatedField.h"',
     "role desk/ may not include field/"),
    ("role header by its bare name", "apps/statusviewer/web/WebDesk.cpp", '#include "AppLog.h"',
     'include "AppLog.h" from its folder: "host/AppLog.h"'),
    ("relative include between roles", "apps/statusviewer/desk/Workstation.cpp", '#include "../host/AppLog.h"',
     'relative include "../host/AppLog.h"'),
    ("role folder in no layer", "apps/statusviewer/extra/Extra.h", "#pragma once",
     "apps/statusviewer/extra/ is in no role layer"),
]


def copy_tree(into):
    for top in ("src", "include", "apps", "sitebus", "scripts"):
        shutil.copytree(SOURCE / top, into / top, symlinks=True)


def run(tree, *extra):
    done = subprocess.run([sys.executable, str(tree / "scripts" / "check_layers.py"), str(tree), *extra],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class CheckLayers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.clean = pathlib.Path(cls.scratch.name) / "clean"
        copy_tree(cls.clean)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def planted(self, name, relative, line):
        tree = pathlib.Path(self.scratch.name) / name.replace(" ", "_")
        copy_tree(tree)
        target = tree / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        text = target.read_text() if target.exists() else ""
        target.write_text(text + "\n" + line + "\n")
        return tree

    def test_the_tree_as_it_is_passes(self):
        code, out = run(self.clean)
        self.assertEqual(code, 0, out)

    def test_each_planted_fault_is_reported(self):
        for name, relative, line, expected in FAULTS:
            with self.subTest(name):
                code, out = run(self.planted(name, relative, line))
                self.assertEqual(code, 1, out)
                self.assertIn(expected, out)

    def test_application_include_path(self):
        root = pathlib.Path(self.scratch.name) / "roots"
        for layer in ("site", "window"):
            (root / layer).mkdir(parents=True)
            (root / layer / layer).symlink_to(self.clean / "src" / layer)
        cases = [
            ("the site's headers", [self.clean / "src" / "site", root / "site"], None),
            ("all of src", [self.clean / "src"], "sees"),
            ("a folder of src", [self.clean / "src" / "window"], "sees"),
            ("a layer's include root", [root / "window"], "-> "),
        ]
        for name, dirs, expected in cases:
            with self.subTest(name):
                listing = root / (name.replace(" ", "_") + ".txt")
                listing.write_text("\n".join(str(d) for d in dirs) + "\n")
                code, out = run(self.clean, "--app-include-dirs", str(listing))
                if expected is None:
                    self.assertEqual(code, 0, out)
                else:
                    self.assertEqual(code, 1, out)
                    self.assertIn(expected, out)


if __name__ == "__main__":
    unittest.main()
