"""How the stress sorts ThreadSanitizer reports: ours always fail, library-only ones are set aside only by a
suppression that names the library and says why."""

import os
import tempfile
import unittest

import tsan_reports

ROOT = "/src/velmora"
BAR = "=" * 18


def report(title, access, context=""):
    return "%s\nWARNING: ThreadSanitizer: %s (pid=7)\n%s\n%s\nSUMMARY: ThreadSanitizer: %s\n%s\n" % (
        BAR, title, access, context, title, BAR)


OURS = report("data race", """  Write of size 8 at 0x7b0 by thread T1:
    #0 AttributedModel::setAttribute(char const*, double) /src/velmora/model/AttributedModel.cpp:60 (velmora+0x1)
    #1 setAttribute /src/velmora/console/SettingCommands.cpp:57 (velmora+0x2)

  Previous read of size 8 at 0x7b0 by main thread:
    #0 AnimatedModel::step() /src/velmora/model/AnimatedModel.cpp:90 (velmora+0x3)
""")
# Our own code under a library call: the start-up order is ours even when both accesses are in libraries.
OURS_BELOW_LIBRARY = report("data race", """  Read of size 8 at 0x7b04 by main thread:
    #0 strlen sanitizer_common_interceptors.inc:386 (libtsan.so.2+0x5baee)
    #1 XSetWMProperties <null> (libX11.so.6+0x42c84)
    #2 main /src/velmora/viewer/main.cpp:37 (velmora+0xdf06)

  Previous write of size 8 at 0x7b04 by thread T1:
    #0 malloc tsan_interceptors_posix.cpp:647 (libtsan.so.2+0x3ebb8)
    #1 _rl_init_locale <null> (libreadline.so.8+0x3b1e8)
""")
# Only where the memory and the thread came from mentions our code.
MESA_ONLY = report("data race", """  Write of size 1 at 0x7b1c by main thread (mutexes: write M3477):
    #0 pthread_mutex_destroy tsan_interceptors_posix.cpp:1312 (libtsan.so.2+0x42191)
    #1 <null> <null> (/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so+0x6d0b8c)

  Previous atomic read of size 1 at 0x7b1c by thread T2:
    #0 pthread_mutex_lock sanitizer_common_interceptors.inc:4324 (libtsan.so.2+0x558e1)
    #1 <null> <null> (/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so+0x10c128)
""", """  Location is heap block of size 112 at 0x7b1c allocated by main thread:
    #0 calloc tsan_interceptors_posix.cpp:667 (libtsan.so.2+0x3ee50)
    #1 PaintableModel::draw() /src/velmora/paint/PaintableModel.cpp:193 (velmora+0x28c62)

  Mutex M3477 (0x7b60) created at:
    #0 pthread_mutex_init tsan_interceptors_posix.cpp:1295 (libtsan.so.2+0x50468)
    #1 main /src/velmora/viewer/main.cpp:37 (velmora+0xdf06)

  Thread T2 'llvmpipe-0' (tid=3, running) created by main thread at:
    #0 pthread_create tsan_interceptors_posix.cpp:1001 (libtsan.so.2+0x5e686)
    #1 main /src/velmora/viewer/main.cpp:37 (velmora+0xdf06)
""")
MESA_INVERSION = report("lock-order-inversion (potential deadlock)", """  Cycle in lock order graph: M1 => M2 => M1

  Mutex M2 acquired here while holding mutex M1 in main thread:
    #0 pthread_mutex_lock sanitizer_common_interceptors.inc:4324 (libtsan.so.2+0x558e1)
    #1 <null> <null> (swrast_dri.so+0x10c128)
""")


class Sorting(unittest.TestCase):
    def suppressions(self, text):
        with tempfile.NamedTemporaryFile("w", suffix=".supp", delete=False) as f:
            f.write(text)
        self.addCleanup(os.unlink, f.name)
        return tsan_reports.load_suppressions(f.name)

    def test_reports_are_failed_or_set_aside_by_whose_code_they_touch_and_their_kind(self):
        mesa = self.suppressions("# Mesa's software rasteriser hands work to its threads through its own fences\n"
                                 "race:swrast_dri.so\n\n# so does X\nrace:libX11.so\n")
        cases = [
            ("our code on both sides", OURS, mesa, 1),
            ("our code under library calls, library suppressed", OURS_BELOW_LIBRARY, mesa, 1),
            ("library only, suppressed", MESA_ONLY, mesa, 0),
            ("library only, not suppressed", MESA_ONLY, [], 1),
            ("library only, suppression of another kind", MESA_INVERSION, mesa, 1),
            ("several reports and noise between them", "noise\n" + OURS + "x\n" + MESA_ONLY + OURS, mesa, 2),
        ]
        for name, text, entries, failing in cases:
            with self.subTest(name):
                failed, suppressed = tsan_reports.classify(text, ROOT, entries)
                self.assertEqual(len(failed), failing)
                self.assertEqual(sum(suppressed.values()), len(tsan_reports.parse_reports(text)) - failing)
        self.assertEqual([r.kind for r in tsan_reports.parse_reports(OURS + MESA_INVERSION)], ["race", "deadlock"])

    def test_each_suppression_names_a_library_and_gives_its_reason(self):
        for text in ("race:swrast_dri.so\n", "# reason\n\nrace:libGL.so\n", "# reason\nrace:AnimatedModel::step\n",
                     "# reason\nrace:/src/velmora/model/x.cpp\n"):
            with self.subTest(text):
                with self.assertRaises(ValueError):
                    self.suppressions(text)
        self.assertEqual(self.suppressions("# why\nrace:libGLX_mesa.so\n"), [("race", "libGLX_mesa.so", "why")])
        tsan_reports.load_suppressions(os.path.join(os.path.dirname(os.path.abspath(__file__)), "tsan.supp"))


if __name__ == "__main__":
    unittest.main()
