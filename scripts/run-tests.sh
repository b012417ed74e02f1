#!/usr/bin/env bash
# Installs what is missing, configures, builds (warnings are errors) and runs
# every test. Usage: scripts/run-tests.sh [preset]   (default: default; asan
# runs the same tests under the address and undefined-behaviour sanitizers)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
preset="${1:-default}"

bash scripts/install-deps.sh build test package
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --output-on-failure
