#!/usr/bin/env python3
"""The layer check fails, naming the files, on a back-include, an include circle, SDL outside the
backends and production code on the test backend; and passes on a tree that keeps the layers."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check_layers.py")


def run(root):
    r = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True, timeout=60)
    return r.returncode, r.stdout + r.stderr


class LayerCheck(unittest.TestCase):
    def tree(self, files):
        d = tempfile.TemporaryDirectory()
        self.addCleanup(d.cleanup)
        for path, text in files.items():
            full = os.path.join(d.name, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        return d.name

    # A tree shaped like the project's: every include points down, no circles.
    GOOD = {
        "platform/Platform.h": "#pragma once\n",
        "world/MapFormat.h": '#include "platform/Platform.h"\n',
        "engine/Biosim.h": '#include "world/MapFormat.h"\n',
        "engine/Biosim.cpp": '#include "engine/Biosim.h"\n#include <vector>\n',
        "sim/WorldFrame.cpp": '#include "engine/Biosim.h"\n',
        "builder/Builder.h": '#include "world/MapFormat.h"\n',
        "builder/SdlWindows.cpp": "#include <SDL2/SDL.h>\n#include <imgui.h>\n",
        "makers/Recording.cpp": '#include "sim/WorldFrame.h"\n#include "engine/Biosim.h"\n',
        "makers/Recording.h": "#pragma once\n",
        "apps/biosim.cpp": '#include "makers/Recording.h"\n#include "sim/WorldFrame.h"\n',
        "tests/sim/Any_test.cpp": '#include "apps/whatever.h"\n',
    }

    def test_a_tree_that_keeps_the_layers_passes(self):
        code, out = run(self.tree(self.GOOD))
        self.assertEqual(code, 0, out)

    def test_back_include_circle_and_ui_headers_are_each_named(self):
        bad = dict(self.GOOD)
        # engine reaching up into sim, world into builder's branch, tarn into biosim's engine
        bad["engine/Engine.cpp"] = '#include "engine/Biosim.h"\n\n#include "sim/WorldFrame.h"\n'
        bad["sim/WorldFrame.h"] = "#pragma once\n"
        bad["builder/Events.cpp"] = '#include "engine/Biosim.h"\n'
        # a circle of three modules, one of them through its header/source pair
        bad["engine/A.cpp"] = '#include "engine/A.h"\n#include "engine/B.h"\n'
        bad["engine/A.h"] = "#pragma once\n"
        bad["engine/B.h"] = '#include "engine/C.h"\n'
        bad["engine/C.cpp"] = '#include "engine/A.h"\n'
        bad["engine/C.h"] = "#pragma once\n"
        bad["world/Pixels.cpp"] = "#include <SDL2/SDL_image.h>\n"
        # the engine's world frame and tarn reaching up into the makers' tools
        bad["sim/WorldFrame.cpp"] = '#include "engine/Biosim.h"\n#include "makers/Recording.h"\n'
        bad["builder/Builder.cpp"] = '#include "makers/Recording.h"\n'
        code, out = run(self.tree(bad))
        self.assertEqual(code, 1, out)
        self.assertIn("engine/Engine.cpp:3: includes sim/WorldFrame.h", out)
        self.assertIn("builder/Events.cpp:1: includes engine/Biosim.h", out)
        self.assertIn("include circle between modules: engine/A, engine/B, engine/C", out)
        self.assertIn("engine/C.cpp:1: includes engine/A.h", out)
        self.assertIn("world/Pixels.cpp:1: includes <SDL2/SDL_image.h>", out)
        self.assertIn("sim/WorldFrame.cpp:2: includes makers/Recording.h", out)
        self.assertIn("builder/Builder.cpp:1: includes makers/Recording.h", out)
        self.assertNotIn("apps/biosim.cpp", out)

    def test_production_code_stays_off_the_test_backend(self):
        tree = dict(self.GOOD)
        tree["platform/headless/VirtualClock.h"] = '#include "platform/Platform.h"\n'
        tree["platform/test/TestPlatform.h"] = '#include "platform/headless/VirtualClock.h"\n'
        tree["platform/sdl/SdlPlatform.h"] = "#pragma once\n"
        tree["engine/Engine.cpp"] = '#include "platform/headless/VirtualClock.h"\n'
        tree["tests/engine/Any_test.cpp"] = '#include "platform/test/TestPlatform.h"\n'
        code, out = run(self.tree(tree))
        self.assertEqual(code, 0, out)
        # a production file reaching the test backend, the headless pieces reaching a backend
        tree["engine/ContentCheck.cpp"] = '#include "engine/Biosim.h"\n#include "platform/test/TestPlatform.h"\n'
        tree["platform/headless/Offscreen.cpp"] = '#include "platform/sdl/SdlPlatform.h"\n'
        code, out = run(self.tree(tree))
        self.assertEqual(code, 1, out)
        self.assertIn("engine/ContentCheck.cpp:2: includes platform/test/TestPlatform.h", out)
        self.assertIn("platform/headless/Offscreen.cpp:1: includes platform/sdl/SdlPlatform.h", out)
        self.assertNotIn("platform/test/TestPlatform.h:", out)

    def test_the_project_itself_keeps_its_layers(self):
        code, out = run(os.path.join(os.path.dirname(SCRIPT), ".."))
        self.assertEqual(code, 0, out)


if __name__ == "__main__":
    unittest.main()
