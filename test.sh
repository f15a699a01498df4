#!/usr/bin/env bash
# Installs what is missing, builds and runs every test; then again under AddressSanitizer
# and UndefinedBehaviorSanitizer; then the converter tests under ThreadSanitizer; then each
# fuzz harness for a few seconds. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps

jobs=$(nproc)
werror=OFF
if [ "${CI:-}" = "true" ]; then
    werror=ON
fi

# Tests that need an X server (the real clipboard, say) use this one; the rest run offscreen.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY="$display"
    trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZERVA_WERROR="$werror" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "== Build and test"
run_suite build

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DZERVA_SANITIZE=ON -DZERVA_BUILD_BENCH=OFF

echo "== Converter tests with ThreadSanitizer"
# The converters write a large output on a thread of their own while they convert the rest;
# their suite runs here so that the hand-over between the two is checked.
# Without address space randomisation ThreadSanitizer's runtime finds its memory
# layout on every kernel (some place mappings where it cannot work); where the system
# refuses that (a container's seccomp filter), the tests run as they are.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZERVA_WERROR="$werror" \
    -DZERVA_TSAN=ON -DZERVA_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target converter_tests
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom=(setarch "$(uname -m)" -R)
fi
# Tests that start programs (iconv, zerva-convert, LibreOffice or a stand-in for it,
# ZervaCNV) are left out: Qt starts a child in the parent's memory before it runs the
# program, which corrupts the sanitizer's view of the parent's thread and makes every later
# conversion that hands its output to the writer thread read as racy.
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
    QT_QPA_PLATFORM=offscreen "${norandom[@]}" build-tsan/tests/converter_tests --gtest_brief=1 \
    --gtest_filter='-RealText.*:RealTables.*:*/RealTablesAsIconv.*:ZervaConvertTool.*:WordDocumentsWithLibreOffice.*:ReverseFits.ZervaConvert*:ZervaCnvProgram.*:Utf8Output.BundledIsiri3342TableGivesWhatIconvGives:*/BundledUnicodeText.*:LegacyLatinFontDocuments.*:LibreOfficeBatches.*'

echo "== Fuzz harnesses, a few seconds each"
ZERVA_WERROR="$werror" scripts/fuzz "${FUZZ_SECONDS:-5}"
