#!/usr/bin/env bash
# Installs the Debian 12 packages a task needs, and only those missing.
# Usage: scripts/install-deps.sh GROUP...   (groups below)
set -euo pipefail

declare -A groups=(
    [build]="cmake g++ ninja-build qt6-base-dev libgl-dev fonts-dejavu-core qt6-translations-l10n"
    [test]="libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils appstream"
    [screenshot]="xvfb xauth x11-utils openbox xdotool imagemagick"
    [lint]="clang-format clang-tidy"
    [fuzz]="clang libclang-rt-14-dev"
    [bench]="hyperfine xvfb x11-utils openbox time python3 libbenchmark-dev"
    [package]="dpkg-dev file"
)

wanted=()
for group in "$@"; do
    [[ -n "${groups[$group]+x}" ]] || { echo "install-deps: unknown group '$group'" >&2; exit 2; }
    read -r -a names <<<"${groups[$group]}"
    wanted+=("${names[@]}")
done

missing=()
for name in "${wanted[@]}"; do
    status="$(dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || true)"
    [[ "$status" == "installed" ]] || missing+=("$name")
done
((${#missing[@]} == 0)) && exit 0

sudo=""
if ((EUID != 0)); then
    command -v sudo >/dev/null || { echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
