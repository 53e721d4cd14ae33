#!/usr/bin/env bash
# Installs whatever Debian packages are missing and builds Quiret into build/.
# Only the package installation needs root: it asks for sudo when it has to install something.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ]; then
  # A build and settings made by root later stand in the user's way.
  echo "Note: no sudo needed; this asks for sudo itself when packages are missing." >&2
fi
for dir in build build-asan build-fuzz; do
  if [ -e "$dir" ] && [ -n "$(find "$dir" -maxdepth 1 ! -writable -print -quit)" ]; then
    echo "$dir/ holds files you cannot write (made by an earlier run as root)." >&2
    echo "Remove it once with: sudo rm -rf $dir" >&2
    exit 1
  fi
done

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev fonts-ipafont-gothic qt6-translations-l10n
          desktop-file-utils lintian appstream xvfb xauth x11-utils xdotool imagemagick poppler-utils
          clang libclang-rt-14-dev clang-format-14)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages; as root run: apt-get install ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  # env, because sudo does not pass the caller's environment on.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
