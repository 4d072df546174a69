#!/usr/bin/env bash
# Runs the owner statements of a generated demo portfolio.
set -euo pipefail
build=${1:-build}
echo "Dunmerrow is built in $build/bin; no report run exists yet, so there are no statements to show."
