"""The command line: models and -e files opened before the first prompt, the exit status of a headless run, and
--help, --version and bad options, which end before any window is needed."""

import os
import re
import subprocess
import tempfile
import unittest

from velmora_harness import BUILD_DIR, DEADLINE, Session

SYDNEY = os.path.join(os.environ.get("VELMORA_MODEL_CACHE") or os.path.expanduser("~/.cache/velmora/models"),
                      "sydney")
SPIDER = os.path.join(os.environ.get("VELMORA_MESH_CACHE") or os.path.expanduser("~/.cache/velmora/meshes"),
                      "obj-spider", "spider.obj")
PROGRAM = os.path.join(BUILD_DIR, "velmora")
USAGE = "usage: velmora [options] [model ...]\n"


class EndsAtOnce(unittest.TestCase):
    def test_help_version_and_bad_options_end_with_their_status(self):
        cases = [
            (["--help"], 0, USAGE, ""),
            (["-h", "--bogus"], 0, USAGE, ""),
            (["-V"], 0, "velmora ", ""),  # the exact version is the unit test's
            (["--bogus"], 2, "", "velmora: unknown option '--bogus'\n" + USAGE),
            (["-e"], 2, "", "velmora: option '-e' needs an argument\n" + USAGE),
            (["--size", "640x0"], 2, "", "velmora: bad --size '640x0': give WxH, each a whole number from 1 to "
                                         "16384\n" + USAGE),
        ]
        for args, status, out, err in cases:
            # No display: these must end before anything needs one.
            env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
            run = subprocess.run([PROGRAM] + args, capture_output=True, text=True, env=env, timeout=DEADLINE)
            self.assertEqual((run.returncode, run.stderr), (status, err), args)
            self.assertTrue(run.stdout.startswith(out) and (out or not run.stdout), (args, run.stdout[:200]))


@unittest.skipUnless(os.path.isdir(SYDNEY), "needs the cached sydney model (scripts/fetch-models.sh)")
class OpensModels(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="velmora-cli-")
        self.sessions = []

    def start(self, lines, *models, **kw):
        cmds = os.path.join(self.folder, "cmds.txt")
        with open(cmds, "w") as f:
            f.write("".join(line + "\n" for line in lines))
        s = Session(args=["--headless", *models, "-e", cmds], **kw)
        self.sessions.append(s)
        return s, cmds

    def tearDown(self):
        for s in self.sessions:
            errors = s.close()
            self.assertNotIn("runtime error:", errors)
        subprocess.run(["rm", "-rf", self.folder], check=True)

    def test_models_open_in_order_the_last_current_then_the_files_run(self):
        # The mesh goes first so that the MD2 folder, whose scripts show, is the current one at the end.
        models = ([SPIDER] if os.path.isfile(SPIDER) else []) + [SYDNEY, "no-such-model"]
        s, _ = self.start(["list models", "list scripts"], *models)
        out = s.expect(re.compile(r"\n>"))  # what the -e file printed comes before the first prompt
        listed = "".join("  %s\n" % name for name in sorted(models[:-1] + ["brush"]))
        self.assertIn(listed, out)
        self.assertRegex(out, r"  stand\n  taunt\n  wave\n")
        s.wait_stderr("no-such-model: not a model Velmora can open\n")
        # The path no class opens is the first failure of the run, so a headless run ends with status 1.
        s.send("quit")
        status = s.wait_exit()
        self.assertEqual(os.WEXITSTATUS(status) if os.WIFEXITED(status) else status, 1)
        self.assertIn("velmora: first failing command (command line): no-such-model\n", s.stderr())

    def test_a_headless_run_names_the_first_failing_line_or_ends_with_0(self):
        for lines, status, named in [
            (["list models", "set nosuch 1", "bogus"], 1, "(%s line 2): set nosuch 1"),
            (["list models", "get x"], 0, None),
        ]:
            s, cmds = self.start(lines, SYDNEY, stdin_devnull=True)
            ended = s.wait_exit()
            self.assertEqual(os.WEXITSTATUS(ended) if os.WIFEXITED(ended) else ended, status, lines)
            failures = [line for line in s.stderr().splitlines() if line.startswith("velmora: first failing")]
            self.assertEqual(failures, ["velmora: first failing command " + named % cmds] if named else [])
