"""Sorts ThreadSanitizer's reports from a run: one whose access stacks pass through the program's own sources always
fails; one wholly inside other libraries is set aside only by an entry of the suppressions file (ThreadSanitizer's
own form, `race:libname`, under a one-line reason) that names one of them."""

import fnmatch
import re

PROJECT_DIRS = ("viewer", "console", "model", "paint", "plugins")

_REPORT = re.compile(r"^={18}\n(WARNING: ThreadSanitizer: (.*?)(?: \(pid=\d+\))?\n.*?)^={18}$", re.M | re.S)
_FRAME = re.compile(r"^\s+#\d+ ")
_MODULE = re.compile(r"\(([^()\s]+)\+0x[0-9a-f]+\)\s*$")
# Stacks of where memory, a mutex or a thread came from, not of who touched it (they all pass through main()).
_CONTEXT = re.compile(r"^\s*(Location is|Mutex M\d+ .*created at:|Thread T\d+.* created by)")
# Report titles by the suppression kind that covers them; anything else is a race.
_KINDS = (("lock-order-inversion", "deadlock"), ("thread leak", "thread"), ("signal", "signal"),
          ("mutex", "mutex"), ("called_from_lib", "called_from_lib"))


class Report:
    def __init__(self, title, text):
        self.title = title
        self.text = text
        self.kind = next((kind for word, kind in _KINDS if word in title), "race")
        self.access_frames = []
        in_access = False
        for line in text.splitlines()[1:]:
            if _FRAME.match(line):
                if in_access:
                    self.access_frames.append(line.strip())
            elif line.strip():
                in_access = not _CONTEXT.match(line)

    def involves(self, source_root):
        """Whether an access stack runs through the program's own sources under source_root."""
        prefixes = [" %s/%s/" % (source_root.rstrip("/"), d) for d in PROJECT_DIRS]
        return any(p in frame for frame in self.access_frames for p in prefixes)

    def modules(self):
        return [m.group(1) for m in map(_MODULE.search, self.access_frames) if m]


def parse_reports(text):
    return [Report(m.group(2), m.group(1)) for m in _REPORT.finditer(text)]


def without_reports(text):
    return _REPORT.sub("", text)


def load_suppressions(path):
    """(kind, library pattern, reason) for each entry, which must name a library under a comment giving the reason."""
    entries, reason = [], None
    with open(path) as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if line.startswith("#"):
                reason = line.lstrip("# ").strip() or None
                continue
            if not line:
                reason = None
                continue
            kind, _, pattern = line.partition(":")
            if not reason:
                raise ValueError("%s:%d: '%s' has no reason on the line above it" % (path, number, line))
            if not pattern or "/" in pattern or not ("lib" in pattern or ".so" in pattern):
                raise ValueError("%s:%d: '%s' does not name a library" % (path, number, line))
            entries.append((kind, pattern, reason))
            reason = None
    return entries


def suppressing_entry(report, entries):
    """The entry that sets a report aside, if any: one of its access frames lies in a library it names."""
    for kind, pattern, reason in entries:
        if kind == report.kind and any(fnmatch.fnmatch(m.rsplit("/", 1)[-1], "*%s*" % pattern)
                                       for m in report.modules()):
            return kind, pattern, reason
    return None


def classify(text, source_root, entries):
    """(failing reports, {suppression entry: count}) for the standard error of one run."""
    failing, suppressed = [], {}
    for report in parse_reports(text):
        entry = None if report.involves(source_root) else suppressing_entry(report, entries)
        if entry:
            suppressed[entry] = suppressed.get(entry, 0) + 1
        else:
            failing.append(report)
    return failing, suppressed
