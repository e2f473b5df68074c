#!/usr/bin/env bash
# The main job until the end-to-end reads exist: print the script vocabulary.
set -euo pipefail
build=${1:-build/release}
"$build/tgvocab"
