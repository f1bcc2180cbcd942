#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing, fuzzing and packaging Corvane need.
# Idempotent: packages already present are left alone, and apt-get runs only when something is missing.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build make pkg-config clang-14 libclang-rt-14-dev clang-format
  # libraries
  qt6-base-dev qt6-base-dev-tools libgl-dev libboost-system-dev libspdlog-dev libfmt-dev
  libssl-dev
  libcli11-dev nlohmann-json3-dev
  # metrics and the control API (prometheus for promtool, which checks the metrics text)
  prometheus-cpp-dev libcpp-httplib-dev prometheus
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # headless GUI tests, screenshots and packaging
  fonts-dejavu-core fonts-symbola xvfb xauth dpkg-dev file
  # manual pages and the packages' checks (systemd for systemd-analyze)
  scdoc lintian desktop-file-utils appstream systemd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
