#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs all of them, then builds the tests that run worker threads with
# ThreadSanitizer into build-tsan/ and runs those. Benchmarks are left out of both.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLFEN_WERROR=ON -DQUILLFEN_BUILD_BENCH=OFF)
threaded=(cairnly_engine_test cairnly_pages_test pictavo_catalogue_test
  pictavo_export_worker_test shared_test)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-asan "${common[@]}" -DQUILLFEN_ASAN=ON >/dev/null
cmake --build build-asan --target quillfen_tests
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp:print_suppressions=0"
(cd build-asan && ctest --output-on-failure -j2)

cmake -S . -B build-tsan "${common[@]}" -DQUILLFEN_TSAN=ON >/dev/null
cmake --build build-tsan --target "${threaded[@]}"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
for t in "${threaded[@]}"; do
  echo "ThreadSanitizer: $t"
  build-tsan/bin/"$t" --gtest_brief=1
done
