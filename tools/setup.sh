#!/usr/bin/env bash
# Installs every Debian package Stovan needs and builds it into build/.
# Idempotent: packages already present are not fetched again.
# Usage: tools/setup.sh [BUILD_DIR [extra cmake arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config ccache
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libfmt-dev libcli11-dev nlohmann-json3-dev
  liblhasa-dev libarchive-dev libssl-dev libcurl4-openssl-dev
  lhasa jlha-utils unzip zip libarchive-tools curl
  qt6-base-dev libxcb1-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# ccache hits across clones of the repository (CI builds a fresh clone).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
# Four build folders (tests, Release, sanitizers, coverage) outgrow the
# default 5 GB and would evict each other.
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-15G}"
# ccache keys objects by the locale too (it changes the compiler's
# messages): one locale for every build, so that CI hits what a
# developer's build compiled.
export LC_ALL=C.UTF-8

build_dir="${1:-build}"
shift || true
cmake -S . -B "$build_dir" -G Ninja -DSTOVAN_WERROR=ON \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@"
# STOVAN_TARGETS (space-separated) limits the build to those targets.
# shellcheck disable=SC2086
cmake --build "$build_dir" -j2 ${STOVAN_TARGETS:+--target $STOVAN_TARGETS}
