#!/usr/bin/env bash
# Builds the fuzz targets with the fuzz preset and runs each one; any crash,
# broken invariant, leak or hang fails the script.
#   fuzz/smoke.sh                      a few seconds per target (CI)
#   fuzz/smoke.sh -runs=10000000       any libFuzzer options instead
# Environment:
#   FUZZ_BUILD_DIR    build folder (default build/fuzz, the preset's)
#   FUZZ_TARGETS      targets to run (default all)
#   FUZZ_WORK_DIR     where new inputs and crash files go (default a temporary
#                     folder, removed unless something crashed)
#   FUZZ_EXTRA_SEEDS  a folder of further seed pages, used when it exists
#                     (default /work/shared/corpus/real-pages)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${FUZZ_BUILD_DIR:-build/fuzz}
read -r -a targets <<<"${FUZZ_TARGETS:-fuzz_metapage}"
extra_seeds=${FUZZ_EXTRA_SEEDS:-/work/shared/corpus/real-pages}
options=("$@")
if [ ${#options[@]} -eq 0 ]; then
    options=(-max_total_time=5)
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz -B "$build_dir"
cmake --build "$build_dir" --target fuzzers --parallel "$jobs"

work=${FUZZ_WORK_DIR:-$(mktemp -d)}
mkdir -p "$work"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
    # New inputs go into the first folder; the committed seeds stay as they are.
    corpora=("$work/$target" "fuzz/corpus/$target")
    if [ -d "$extra_seeds" ]; then
        corpora+=("$extra_seeds")
    fi
    mkdir -p "$work/$target"
    echo "== $target"
    # Real pages run to megabytes; their first 64 KiB hold what the targets look at.
    if ! "$build_dir/fuzz/$target" -max_len=65536 -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "${options[@]}" "${corpora[@]}"; then
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: failed: ${failed[*]}; inputs that crashed are in $work" >&2
    exit 1
fi
if [ -z "${FUZZ_WORK_DIR:-}" ]; then
    rm -rf "$work"
fi
echo "fuzz: all targets ran clean"
