#!/usr/bin/env bash
# Builds the benchmarks in release mode and measures, in one go:
#   - start-up to the first painted frame of Form1 against a bare Qt window
#     (one QLabel) built in the same tree: wall time, CPU time, peak memory;
#   - one click cycle on a blank point of the window, random and manual mode;
#   - the analysis micro benchmarks.
# then prints one table of medians and ratios.
#
# The two start-up probes run alternately, one pair at a time, under Xvfb
# (1280x1024x24) with openbox so that the windows open maximised as the real
# program's does. The machine may be noisy: compare the ratios within one run,
# not the absolute figures across runs.
#
# Usage: bench/run-benchmarks.sh [--build-only]
#   --build-only  build every benchmark binary and run nothing
# Environment: STARTUP_RUNS (default 40), MEMORY_RUNS (15), CLICK_CYCLES (5000)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

build_only=false
case "${1:-}" in
    "") ;;
    --build-only) build_only=true ;;
    *)
        echo "usage: bench/run-benchmarks.sh [--build-only]" >&2
        exit 2
        ;;
esac

startup_runs="${STARTUP_RUNS:-40}"
memory_runs="${MEMORY_RUNS:-15}"
click_cycles="${CLICK_CYCLES:-5000}"

# The release preset configures the tests too, hence the test group.
bash scripts/install-deps.sh build test bench
cmake --preset release >/dev/null
cmake --build --preset release --target analysis_bench startup_form1 startup_baseline \
    click_cycle_bench
$build_only && exit 0

bin="$root/build/release/bench"
form="$bin/startup_form1"
baseline="$bin/startup_baseline"
# hyperfine -N splits its commands into words itself; quoted, a path with
# blanks stays one word.
form_command="$(printf '%q' "$form")"
baseline_command="$(printf '%q' "$baseline")"

work="$(mktemp -d)"
cleanup() {
    [[ -n "${wm_pid:-}" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "${x_pid:-}" ]] && kill "$x_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Qt complains on every start without a runtime directory; both probes get
# the same private one.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Xvfb picks a free display itself and writes its number to fd 3.
x_ready=false
if command -v Xvfb >/dev/null; then
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    x_pid=$!
    for _ in $(seq 100); do
        [[ -s "$work/display" ]] && break
        sleep 0.1
    done
    if [[ -s "$work/display" ]]; then
        export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
        openbox >"$work/openbox.log" 2>&1 &
        wm_pid=$!
        # Openbox is managing once it has set its supporting-window property.
        for _ in $(seq 100); do
            if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
                x_ready=true
                break
            fi
            sleep 0.1
        done
    fi
fi

echo "== analysis micro benchmarks" >&2
"$bin/analysis_bench" --benchmark_repetitions=10 --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$work/analysis.json" 2>"$work/analysis.log"

if $x_ready; then
    export QT_QPA_PLATFORM=xcb
    # Both probes must measure a frame of the same, maximised size.
    form_size="$("$form" --print-size 2>&1 | sed -n 's/^first paint: //p')"
    baseline_size="$("$baseline" --print-size 2>&1 | sed -n 's/^first paint: //p')"
    echo "first painted frame: Form1 $form_size, baseline $baseline_size" >&2
    if [[ -z "$form_size" || "$form_size" != "$baseline_size" ]]; then
        echo "run-benchmarks: the two probes painted different first frames" >&2
        exit 1
    fi
    echo "$form_size" >"$work/frame_size"

    echo "== start-up, $startup_runs alternated pairs" >&2
    hyperfine -N --warmup 3 --runs 1 --style none "$form_command" "$baseline_command" >/dev/null
    # One hyperfine call per pair: given both commands and N runs, hyperfine
    # would finish all runs of the first before starting the second, and any
    # drift in the machine's load would land on one probe only.
    for i in $(seq "$startup_runs"); do
        # Swap the order every pair so neither probe always runs second.
        if ((i % 2)); then
            pair=("$form_command" "$baseline_command")
        else
            pair=("$baseline_command" "$form_command")
        fi
        hyperfine -N --runs 1 --style none --export-json "$work/startup_$i.json" \
            "${pair[@]}" >/dev/null
    done

    echo "== peak memory, $memory_runs alternated pairs" >&2
    for i in $(seq "$memory_runs"); do
        if ((i % 2)); then pair=(form baseline); else pair=(baseline form); fi
        for probe in "${pair[@]}"; do
            program="$form"
            [[ "$probe" == baseline ]] && program="$baseline"
            /usr/bin/time -f %M -o "$work/time.out" "$program" >/dev/null 2>&1
            tail -n 1 "$work/time.out" >>"$work/maxrss_$probe"
        done
    done

    echo "== click cycles on xcb" >&2
    if ! "$bin/click_cycle_bench" --cycles "$click_cycles" >"$work/click.txt" \
        2>"$work/click.log"; then
        cat "$work/click.log" >&2
        echo "run-benchmarks: the click benchmark failed on xcb; trying offscreen" >&2
        : >"$work/click.txt"
    fi
else
    echo "run-benchmarks: no X server with a window manager; start-up not measured" >&2
fi
if [[ ! -s "$work/click.txt" ]]; then
    echo "== click cycles offscreen" >&2
    QT_QPA_PLATFORM=offscreen "$bin/click_cycle_bench" --cycles "$click_cycles" \
        >"$work/click.txt"
fi

python3 - "$work" <<'PY'
import glob
import json
import os
import statistics
import sys

work = sys.argv[1]


def read_lines(name):
    path = os.path.join(work, name)
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.strip() for line in f if line.strip()]


def fmt(value, digits=1):
    return "-" if value is None else f"{value:.{digits}f}"


rows = []  # measurement, median, p99, baseline median, ratio, goal, result


def compared(name, unit, ours, theirs, limit, digits=1):
    if not ours or not theirs:
        rows.append([f"{name} ({unit})", "not measured", "-", "-", "-", f"<= {limit:.2f}x", "-"])
        return
    median, base = statistics.median(ours), statistics.median(theirs)
    ratio = median / base
    rows.append([f"{name} ({unit})", fmt(median, digits), "-", fmt(base, digits),
                 f"{ratio:.3f}x", f"<= {limit:.2f}x", "pass" if ratio <= limit else "FAIL"])


# Start-up: one hyperfine file per alternated pair, one run of each probe.
wall = {"form": [], "baseline": []}
cpu = {"form": [], "baseline": []}
paired_wall_ratios = []
for path in glob.glob(os.path.join(work, "startup_*.json")):
    pair = {}
    with open(path) as f:
        for result in json.load(f)["results"]:
            probe = "baseline" if result["command"].endswith("startup_baseline") else "form"
            pair[probe] = result["times"][0] * 1000.0
            wall[probe].append(pair[probe])
            cpu[probe].append((result["user"] + result["system"]) * 1000.0)
    paired_wall_ratios.append(pair["form"] / pair["baseline"])
compared("start-up to first paint, wall", "ms", wall["form"], wall["baseline"], 1.15)
compared("start-up to first paint, CPU user+sys", "ms", cpu["form"], cpu["baseline"], 1.15)
rss = {probe: [int(v) / 1024.0 for v in read_lines(f"maxrss_{probe}")]
       for probe in ("form", "baseline")}
compared("start-up peak memory (max RSS)", "MiB", rss["form"], rss["baseline"], 1.10)

# Click cycles: one line per mode from click_cycle_bench.
click_platform = "-"
for line in read_lines("click.txt"):
    fields = dict(item.split("=", 1) for item in line.split()[1:])
    click_platform = f"{fields['platform']}, window {fields['window']}"
    median, p99 = float(fields["median_us"]), float(fields["p99_us"])
    rows.append([f"click cycle, {fields['mode']} mode ({fields['cycles']} clicks, us)",
                 fmt(median), fmt(p99), "-", "-", "median < 1000",
                 "pass" if median < 1000.0 else "FAIL"])

# Analysis micro benchmarks: the median of ten repetitions.
labels = {
    "bm_analyse_word": "analyse_word",
    "bm_sweep_all_words": "sweep of all 65536 words",
    "bm_draw_random_word": "draw_random_word",
    "bm_read_manual_word": "read_manual_word",
}
with open(os.path.join(work, "analysis.json")) as f:
    for bench in json.load(f)["benchmarks"]:
        if bench.get("aggregate_name") != "median" or bench["run_name"] not in labels:
            continue
        unit = bench["time_unit"]
        rows.append([f"{labels[bench['run_name']]} ({unit}/op)", fmt(bench["real_time"], 2), "-",
                     "-", "-", "-", "-"])

header = ["measurement", "median", "p99", "baseline median", "ratio", "goal", "result"]
widths = [max(len(str(row[i])) for row in rows + [header]) for i in range(len(header))]


def line(cells):
    return "  ".join(str(c).ljust(w) if i == 0 else str(c).rjust(w)
                     for i, (c, w) in enumerate(zip(cells, widths)))


print()
print(line(header))
print("  ".join("-" * w for w in widths))
for row in rows:
    print(line(row))
print()
frame = read_lines("frame_size")
if wall["form"]:
    print(f"start-up: {len(wall['form'])} alternated runs of each probe (hyperfine), "
          f"{len(rss['form'])} for memory (/usr/bin/time), first frame {frame[0]} on xcb; "
          f"baseline = bare QWidget with one QLabel; median of the per-pair wall ratios "
          f"{statistics.median(paired_wall_ratios):.3f}x")
print(f"click cycles: press + release on (400, 40) + synchronous repaint of the window; "
      f"{click_platform}")
PY
