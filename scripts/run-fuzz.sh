#!/usr/bin/env bash
# Builds the libFuzzer target with the "fuzz" preset and runs it for a while.
#
#   scripts/run-fuzz.sh [seconds]     (default 60)
#
# The seed corpus in fuzz/corpus is copied into build/fuzz/corpus, which the
# fuzzer grows; fuzz/corpus itself is never written. Crash reproducers land in
# build/fuzz/artifacts. Exits non-zero if the fuzzer finds anything.
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds]   (a positive whole number, default 60)" >&2
    exit 2
fi

repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo_root"

# A fresh Debian 12 may only have g++ and cmake: fetch clang, the libFuzzer and
# sanitizer runtimes and ninja (the presets' generator) when any is missing.
missing=()
command -v clang++ >/dev/null 2>&1 || missing+=(clang)
command -v ninja >/dev/null 2>&1 || missing+=(ninja-build)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q 'install ok installed' ||
    missing+=(libclang-rt-14-dev)
if ((${#missing[@]} > 0)); then
    if [[ "$(id -u)" -ne 0 ]]; then
        echo "run-fuzz: missing ${missing[*]}; run as root or install them first" >&2
        exit 1
    fi
    echo "run-fuzz: installing ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake --preset fuzz
cmake --build --preset fuzz

build_dir="$repo_root/build/fuzz"
work_corpus="$build_dir/corpus"
artifacts="$build_dir/artifacts"
mkdir -p "$work_corpus" "$artifacts"
# Earlier runs' finds stay in the working corpus; the seeds are added to them.
cp -- fuzz/corpus/* "$work_corpus"/

# libFuzzer exits non-zero on a crash, a sanitizer report or a trap; set -e
# passes that on. Without -fork it stops at the first finding.
"$build_dir/fuzz/manual_word_fuzzer" \
    -max_total_time="$seconds" \
    -print_final_stats=1 \
    -artifact_prefix="$artifacts/" \
    "$work_corpus"

echo "run-fuzz: no findings in ${seconds} s; corpus: $(find "$work_corpus" -type f | wc -l) files"
