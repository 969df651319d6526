#!/usr/bin/env bash
# Fails when a tracked C++ source under src/, tests/ or bench/ is not clang-format clean.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                     'bench/*.cpp' 'bench/*.h')
[ ${#files[@]} -eq 0 ] && exit 0
clang-format --dry-run --Werror "${files[@]}"
