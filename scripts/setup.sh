#!/usr/bin/env bash
# Installs the Debian packages the build needs (skipped when they are all present) and
# configures and builds the project in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make ccache qt6-base-dev qt6-serialport-dev libgl-dev qcoro-qt6-dev socat
          qt6-translations-l10n desktop-file-utils qt6-svg-dev poppler-utils shared-mime-info
          xdg-utils libfile-mimeinfo-perl groff-base)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

# Line tables only (-g1): backtraces keep their files and lines, and a build from nothing, as
# CI makes twice, takes markedly less time than with full debug information.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build -j"$(nproc)"
