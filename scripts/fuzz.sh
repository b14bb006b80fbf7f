#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (fuzz preset, build/fuzz: clang with
# -fsanitize=fuzzer,address,undefined) and fuzzes each one for
# HANASHI_FUZZ_SECONDS seconds (default 15, about a minute in all), starting
# from its seed corpus in fuzz/corpus/<target>. That folder is only read: new
# inputs go to a temporary folder that is removed afterwards. A crash, a leak,
# a sanitizer report or a failed property fails the script; the input that
# caused it is kept under build/fuzz/artifacts/.
#
# Arguments name targets to run (default: all), e.g. scripts/fuzz.sh mci.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

seconds=${HANASHI_FUZZ_SECONDS:-15}
all=(cp932 line_reader line_kind mci picture midi)
targets=("${@:-${all[@]}}")

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"

failed=()
for target in "${targets[@]}"; do
    # Script lines may be long; everything else is short.
    max_len=4096
    [[ $target == line_reader ]] && max_len=16384
    mkdir "$work/$target"
    log="$work/$target.log"
    if build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len="$max_len" \
        -dict="fuzz/dict/$target.dict" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" \
        "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
        echo "fuzz $target: ${runs} runs, ${speed} exec/s, ${coverage}"
    else
        echo "fuzz $target: FAILED" >&2
        tail -n 60 "$log" >&2
        failed+=("$target")
    fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzz: failures in ${failed[*]}; inputs are in $artifacts/" >&2
    exit 1
fi
