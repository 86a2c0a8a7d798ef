#!/usr/bin/env bash
# Plants the faults of scripts/mutants.txt one at a time in a scratch copy of the tree and says which of
# them the tests catch. The copy and its plain Debug build (not sanitized, to be quick) live in one
# folder and are kept, so the next run only rebuilds what changed. The developer's tree is only read.
# A developer's tool, not part of scripts/test.sh: every fault the tests miss costs a whole test run.
# usage: scripts/mutants.sh [--list FILE] [--only LABEL...] [--build DIR] [--hints FILE] [--dry-run] [--no-baseline]
#   --list FILE     the faults (default scripts/mutants.txt)
#   --only LABEL..  just these faults, by label
#   --build DIR     the scratch folder: DIR/src the copy, DIR/build its build, DIR/logs one log a fault
#                   (default ${TMPDIR:-/tmp}/velmora-mutants)
#   --hints FILE    an earlier run's summary.txt: the test that caught a fault then is run first for it now
#   --dry-run       check that every fault's text occurs exactly once and list the faults; builds nothing
#   --no-baseline   skip the run of the whole suite on the unchanged copy
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
list="$repo/scripts/mutants.txt"
work="${TMPDIR:-/tmp}/velmora-mutants"
only=()
dry_run=0
baseline=1
hints=""
# A fault that hangs the program must not hang the run; e2e tests allow themselves 600 s each.
suite_limit=${VELMORA_MUTANT_SUITE_LIMIT:-5400}

usage() { sed -n '6,13s/^# \{0,1\}//p' "$0"; }

while [ $# -gt 0 ]; do
  case "$1" in
    --list) list=$(realpath "${2:?--list needs a file}"); shift 2 ;;
    --build) work=$(realpath -m "${2:?--build needs a folder}"); shift 2 ;;
    --dry-run) dry_run=1; shift ;;
    --no-baseline) baseline=0; shift ;;
    --hints) hints=$(realpath "${2:?--hints needs a summary file}"); shift 2 ;;
    --only)
      shift
      while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do only+=("$1"); shift; done
      [ ${#only[@]} -gt 0 ] || { echo "--only needs at least one label" >&2; exit 2; } ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown argument '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
case "$work" in
  "$repo" | "$repo"/*) echo "the scratch folder must lie outside the tree: $work" >&2; exit 2 ;;
esac

# The list's parsing, the copy and the planting, in Python: exact texts with tabs and newlines are
# awkward in shell. Subcommands:
#   check LIST ROOT [LABEL...]   the table of faults; fails when a text is not there exactly once
#   labels LIST [LABEL...]       the chosen labels, one a line (all when none is named)
#   sync REPO SRC                copy the tree's files; only those whose bytes differ are written
#   plant LIST LABEL SRC STASH   plant one fault, keeping the file's original bytes in STASH
#   revert SRC STASH             put the original bytes back
#   order COSTS DATA [TEST...]   write CTest's cost file DATA so the cheapest tests of COSTS run first, after
#                                the named ones and the ones that failed last time
#   hint SUMMARY LABEL           the test that caught LABEL in an earlier run's summary, if any
# Every file written gets the current time, never an older one: a build must see it as newer than
# anything compiled from the text it replaces, or a fault would stay compiled in after its revert.
read -r -d '' helper <<'PY' || true
import os, subprocess, sys

def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in "nt\\":
            out.append({"n": "\n", "t": "\t", "\\": "\\"}[text[i + 1]])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)

def read_list(path):
    faults, seen = [], set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 4 or not all(fields[0:2]) or not fields[3]:
                sys.exit(f"{path}:{number}: want file<TAB>find<TAB>replace<TAB>label")
            name, find, replace, label = fields
            if label in seen:
                sys.exit(f"{path}:{number}: label '{label}' used twice")
            seen.add(label)
            faults.append({"file": name, "find": unescape(find), "replace": unescape(replace), "label": label})
    return faults

def chosen(faults, labels):
    if not labels:
        return faults
    known = {f["label"]: f for f in faults}
    unknown = [l for l in labels if l not in known]
    if unknown:
        sys.exit("no such fault: " + ", ".join(unknown))
    return [known[l] for l in labels]

def occurrences(root, fault):
    try:
        with open(os.path.join(root, fault["file"]), encoding="utf-8") as f:
            return f.read().count(fault["find"])
    except OSError:
        return -1

def touch_now(path):
    os.utime(path, None)

def write_now(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    touch_now(path)

def check(path, root, labels):
    faults = chosen(read_list(path), labels)
    bad = 0
    print(f"{'label':<36} {'file':<42} text")
    for fault in faults:
        n = occurrences(root, fault)
        state = "found once" if n == 1 else "no such file" if n < 0 else f"found {n} times"
        bad += n != 1
        print(f"{fault['label']:<36} {fault['file']:<42} {state}")
    folders = {}
    for fault in faults:
        top = fault["file"].split("/")[0]
        folders[top] = folders.get(top, 0) + 1
    print(f"{len(faults)} faults (" + ", ".join(f"{k}/ {v}" for k, v in sorted(folders.items())) + f"); {bad} not usable")
    sys.exit(1 if bad else 0)

SOURCE_SUFFIXES = (".cpp", ".h", ".inc", ".txt", ".cmake", ".py")

def sync(repo, src):
    # What the developer would commit now: tracked files and new ones git does not ignore.
    listed = subprocess.run(["git", "-C", repo, "ls-files", "-z", "-co", "--exclude-standard"], check=True,
                            capture_output=True).stdout
    names = {n.decode() for n in listed.split(b"\0") if n}
    names = {n for n in names if os.path.isfile(os.path.join(repo, n))}  # not the ones deleted since
    written = 0
    for name in sorted(names):
        origin, copy = os.path.join(repo, name), os.path.join(src, name)
        with open(origin, "rb") as f:
            data = f.read()
        try:
            with open(copy, "rb") as f:
                if f.read() == data:
                    continue
        except OSError:
            os.makedirs(os.path.dirname(copy), exist_ok=True)
        with open(copy, "wb") as f:
            f.write(data)
        os.chmod(copy, os.stat(origin).st_mode & 0o777)
        touch_now(copy)
        written += 1
    # Source files the tree no longer has would still be picked up by the build's globs.
    for folder, dirs, files in os.walk(src):
        dirs[:] = [d for d in dirs if d != "__pycache__"]
        for file in files:
            name = os.path.relpath(os.path.join(folder, file), src)
            if name not in names and file.endswith(SOURCE_SUFFIXES):
                os.remove(os.path.join(src, name))
    print(f"copy: {written} of {len(names)} files written")

def plant(path, label, src, stash):
    fault = chosen(read_list(path), [label])[0]
    target = os.path.join(src, fault["file"])
    with open(target, encoding="utf-8") as f:
        text = f.read()
    if text.count(fault["find"]) != 1:
        sys.exit(f"{label}: the text is not in {fault['file']} exactly once")
    with open(stash, "w", encoding="utf-8") as f:
        f.write(fault["file"] + "\n" + text)
    write_now(target, text.replace(fault["find"], fault["replace"], 1))

def revert(src, stash):
    if not os.path.exists(stash):
        return
    with open(stash, encoding="utf-8") as f:
        name, _, text = f.read().partition("\n")
    write_now(os.path.join(src, name), text)
    os.remove(stash)

def order(costs, data, first):
    # CTest starts the costliest tests first and, before them all, the ones listed as failed after the "---"
    # line. A run that stops at the first failure wants the opposite: the likeliest catchers, then the cheap.
    names, failed = {}, []
    with open(costs, encoding="utf-8") as f:
        for line in f:
            if line.startswith("---"):
                break
            parts = line.split()
            if len(parts) == 3:
                names[parts[0]] = float(parts[2])
    try:
        with open(data, encoding="utf-8") as f:
            failed = f.read().partition("---\n")[2].split()
    except OSError:
        pass
    top = max(names.values(), default=0.0)
    with open(data, "w", encoding="utf-8") as f:
        for name, cost in names.items():
            f.write(f"{name} 1 {top - cost + 0.001:.6f}\n")
        f.write("---\n")
        for name in dict.fromkeys(list(first) + failed):
            f.write(name + "\n")

def hint(summary, label):
    with open(summary, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 5 and parts[0] == label and parts[2] == "caught":
                print(parts[3])
                return

command, args = sys.argv[1], sys.argv[2:]
if command == "check":
    check(args[0], args[1], args[2:])
elif command == "labels":
    for fault in chosen(read_list(args[0]), args[1:]):
        print(fault["label"] + "\t" + fault["file"])
elif command == "sync":
    sync(args[0], args[1])
elif command == "plant":
    plant(*args)
elif command == "revert":
    revert(*args)
elif command == "order":
    order(args[0], args[1], args[2:])
elif command == "hint":
    hint(*args)
PY
helper_run() { python3 -c "$helper" "$@"; }

if [ "$dry_run" = 1 ]; then
  helper_run check "$list" "$repo" "${only[@]}"
  exit $?
fi

helper_run check "$list" "$repo" "${only[@]}" >/dev/null || {
  helper_run check "$list" "$repo" "${only[@]}" | grep -v 'found once$'
  exit 1
}
src="$work/src"
build="$work/build"
logs="$work/logs"
stash="$work/planted"
mkdir -p "$src" "$build" "$logs"
# Two runs on one scratch folder would plant faults in each other's copy.
exec 9>"$work/lock"
flock -n 9 || { echo "another run is using $work" >&2; exit 1; }
# A run stopped half-way left its fault planted in the copy: take it out before anything else.
helper_run revert "$src" "$stash"
trap 'helper_run revert "$src" "$stash"' EXIT
helper_run sync "$repo" "$src"

# xvfb-run -a looks for a free display from :99 up; a test run beside this one (the developer's own)
# would look from the same number, and two servers racing for one display leave the unit tests with a
# display they cannot open. This run looks from a number of its own.
xvfb=(xvfb-run -a -n "${VELMORA_MUTANT_DISPLAY:-400}" -s "-screen 0 1280x1024x24")
# The unit tests first: they take seconds and catch most faults, so the end-to-end tests run only
# for the faults the unit tests miss.
costs="$work/test-costs.txt"  # what each test took on the unchanged copy
run_suite() {  # log file [test to run first]; runs the whole suite, stopping at the first failure
  local stage
  : >"$1"
  for stage in "-E ^e2e\." "-R ^e2e\."; do
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    if [ -s "$costs" ]; then
      helper_run order "$costs" "$build/Testing/Temporary/CTestCostData.txt" ${2:+"$2"}
    fi
    # shellcheck disable=SC2086  # the stage is two words on purpose
    (cd "$build" && timeout -k 60 "$suite_limit" "${xvfb[@]}" ctest -j2 --stop-on-failure --timeout 600 \
      --output-on-failure $stage) >>"$1" 2>&1 || return 1
  done
}
first_failure() {  # log file; the name of the first test that failed
  local failed="$build/Testing/Temporary/LastTestsFailed.log" name=""
  if [ -s "$failed" ]; then
    name=$(head -n 1 "$failed" | cut -d: -f2-)
  fi
  if [ -z "$name" ]; then
    name=$(grep -m1 -E 'Test +#[0-9]+: .*(\*\*\*|Failed|Timeout)' "$1" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' || true)
  fi
  echo "${name:-(none named: the suite ran out of time?)}"
}

echo "configuring and building $build"
# Every fault relinks the program, the test binary and the fuzz drivers; lld (or gold) links them several times
# faster than the default linker, and linking is most of the time a fault costs.
linker=()
for ld in lld gold; do
  if command -v "ld.$ld" >/dev/null; then
    linker=("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=$ld" "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=$ld"
      "-DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=$ld")
    break
  fi
done
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TESTS=ON -DVELMORA_WERROR=ON \
  -DVELMORA_SANITIZE=OFF -DVELMORA_TSAN=OFF "${linker[@]}" >"$logs/configure.log" 2>&1 || {
  echo "configuring failed: $logs/configure.log" >&2
  exit 1
}
cmake --build "$build" -j2 >"$logs/baseline-build.log" 2>&1 || {
  echo "the unchanged copy does not build: $logs/baseline-build.log" >&2
  exit 1
}
if [ "$baseline" = 1 ]; then
  echo "running the whole suite on the unchanged copy"
  start=$(date +%s)
  run_suite "$logs/baseline-tests.log" || {
    echo "the unchanged copy fails $(first_failure "$logs/baseline-tests.log"): every fault would count as caught" >&2
    echo "see $logs/baseline-tests.log" >&2
    exit 1
  }
  echo "baseline passed in $(($(date +%s) - start)) s"
  cp "$build/Testing/Temporary/CTestCostData.txt" "$costs"
fi
if [ ! -s "$costs" ] && [ -s "$build/Testing/Temporary/CTestCostData.txt" ]; then
  cp "$build/Testing/Temporary/CTestCostData.txt" "$costs"
fi

mapfile -t faults < <(helper_run labels "$list" "${only[@]}")
rows=()
caught=0
missed=0
unbuilt=0
row() { printf '%-36s %-42s %-9s %-72s %6s\n' "$@"; }
header=$(row label file result "first failing test" seconds)
echo "$header"
done_count=0
for entry in "${faults[@]}"; do
  label=${entry%%$'\t'*}
  file=${entry#*$'\t'}
  done_count=$((done_count + 1))
  echo "[$done_count/${#faults[@]}] $label" >&2
  log="$logs/$label.log"
  start=$(date +%s)
  helper_run plant "$list" "$label" "$src" "$stash"
  first="-"
  if ! cmake --build "$build" -j2 >"$log" 2>&1; then
    result=no-build
    unbuilt=$((unbuilt + 1))
  elif run_suite "$log.tests" "$( [ -z "$hints" ] || helper_run hint "$hints" "$label")"; then
    result=missed
    missed=$((missed + 1))
  else
    result=caught
    caught=$((caught + 1))
    first=$(first_failure "$log.tests")
  fi
  helper_run revert "$src" "$stash"
  line=$(row "$label" "$file" "$result" "$first" "$(($(date +%s) - start))")
  rows+=("$line")
  echo "$line"
done

# The copy is back as it was; build it now so the next run starts from a build without faults.
cmake --build "$build" -j2 >"$logs/final-build.log" 2>&1 || echo "rebuilding the reverted copy failed: $logs/final-build.log" >&2

total=${#faults[@]}
{
  echo
  echo "$header"
  printf '%s\n' "${rows[@]}"
  echo
  echo "$total faults: $caught caught, $missed missed, $unbuilt did not build"
  if [ $((caught + missed)) -gt 0 ]; then
    echo "caught $((100 * caught / (caught + missed)))% of the faults that built"
  fi
  echo "logs: $logs"
} | tee "$logs/summary.txt"
