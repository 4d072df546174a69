#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does nothing when all are present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsqlite3-dev sqlite3
  mdbtools-dev libglib2.0-dev
  libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev
  libicu-dev libcurl4-openssl-dev
  libpugixml-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core
  poppler-utils python3 python3-aiosmtpd cups-client
  clang libclang-rt-14-dev
  time
  libgtk-4-dev xvfb xauth
)

# The benchmark's peer line draws the same texts with another PDF library.
if [ "${1:-}" = "bench" ]; then
  packages+=(python3-reportlab)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
