#!/usr/bin/env bash
# Installs what is missing, configures, builds and opens the window.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh build
cmake --preset default
cmake --build --preset default --target coincidenze
exec "$root/build/default/window/coincidenze"
