#!/usr/bin/env bash
# Formatting and static checks over our own sources; exits non-zero on any
# finding. Needs a configured default build for its compile commands.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh build test lint
mapfile -t sources < <(git ls-files '*.cpp' '*.hpp')
echo "lint: clang-format on ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

[[ -f build/default/compile_commands.json ]] || cmake --preset default >/dev/null
# Generated Qt sources must exist before clang-tidy reads the includes.
cmake --build --preset default >/dev/null
mapfile -t units < <(git ls-files 'analysis/*.cpp' 'window/*.cpp' 'tests/*.cpp' 'bench/*.cpp')
echo "lint: clang-tidy on ${#units[@]} translation units"
run-clang-tidy -quiet -p build/default "${units[@]/#/$root/}" >build/default/clang-tidy.log 2>&1 || {
    grep -E 'warning:|error:' -A3 build/default/clang-tidy.log | head -n 80
    echo "lint: clang-tidy found problems (full log: build/default/clang-tidy.log)" >&2
    exit 1
}
echo "lint: clean"
