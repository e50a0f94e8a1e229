#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the build needs, then builds and runs, tests or benchmarks.
#   bash build.sh run     build and start the program (arguments go to it)
#   bash build.sh test    build and run the whole test suite
#   bash build.sh asan    the test suite under AddressSanitizer + UBSan
#   bash build.sh tsan    the model test suite under ThreadSanitizer
#   bash build.sh bench   build and run the render and profile-file benchmarks
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev fp-compiler xvfb ffmpeg
  desktop-file-utils libxml2-utils shared-mime-info dpkg-dev libmpfr-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
configure_build() {  # preset
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

case "$mode" in
  run)
    configure_build release
    shift || true
    exec build/release/bin/pelmorix "$@"
    ;;
  test)
    configure_build release
    ctest --preset release -j "$jobs"
    ;;
  asan)
    configure_build asan
    ctest --preset asan -j "$jobs"
    ;;
  tsan)
    # Qt itself is not built for ThreadSanitizer: the model suite only.
    configure_build tsan
    build/tsan/bin/px_tests
    ;;
  bench)
    configure_build release
    build/release/bin/px_bench
    ;;
  *)
    echo "usage: bash build.sh run|test|asan|tsan|bench" >&2
    exit 2
    ;;
esac
