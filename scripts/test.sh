#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
# --sanitize builds and tests with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=build
cmake_args=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake_args=(-DCORVALITE_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVALITE_BENCH=OFF)
  # The browser engine's own library frees some objects through a base of another size; that is not ours.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:new_delete_type_mismatch=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
scripts/setup.sh "$build_dir" "${cmake_args[@]}"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
