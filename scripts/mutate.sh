#!/usr/bin/env bash
# Plants the faults of tests/mutations/faults.tsv one at a time, rebuilds incrementally
# in a build folder of its own, runs the tests and says which faults they caught.
#
#   scripts/mutate.sh                 # every fault
#   scripts/mutate.sh wheel capacity  # only the faults whose name contains one of these
#
# Each line of the list is: name, file, exact original text, replacement, separated by
# tabs, with \n, \t and \\ for a line break, a tab and a backslash. The file is restored
# after every fault, and on any exit. Every test gets MUTATE_TIMEOUT seconds.
#
# With MUTATE_EVERY=1 every test runs for every fault, and each fault's line in
# BUILD/mutate-matrix.tsv names every test function that failed: the tests that catch
# nothing another test does not catch are the ones named only beside other names.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
LIST=${MUTATE_LIST:-tests/mutations/faults.tsv}
BUILD=${MUTATE_BUILD:-build-mutate}
TIMEOUT=${MUTATE_TIMEOUT:-300}
JOBS=${MUTATE_JOBS:-2}
# ccache speeds up the rebuild after each fault, when it is installed.
if [[ -z ${CMAKE_CXX_COMPILER_LAUNCHER:-} ]] && command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
export QT_QPA_PLATFORM=offscreen

every=${MUTATE_EVERY:-0}
stop=--stop-on-failure
if ((every)); then
    stop=""
fi

planted=""
restore() {
    if [[ -n $planted ]]; then
        cp "$BUILD/mutate-original" "$planted"
        # The restored file must look changed to the next build.
        touch "$planted"
        planted=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

# Replaces the one occurrence of ORIGINAL in FILE; fails when it is not there once.
plant() {
    ORIGINAL=$2 REPLACEMENT=$3 perl -0777 -i -pe '
        sub unescape { my $t = shift; $t =~ s/\\(n|t|\\)/$1 eq "n" ? "\n" : $1 eq "t" ? "\t" : "\\"/ge; $t }
        BEGIN { $o = unescape($ENV{ORIGINAL}); $r = unescape($ENV{REPLACEMENT}) }
        my $count = () = /\Q$o\E/g;
        die "found $count times\n" unless $count == 1;
        s/\Q$o\E/$r/;' "$1"
}

cmake -S . -B "$BUILD" -DSPARTITI_TESTS=ON >/dev/null
echo "building the unchanged tree in $BUILD"
nice cmake --build "$BUILD" -j "$JOBS" >"$BUILD/mutate-build.log" 2>&1 || { tail -n 30 "$BUILD/mutate-build.log"; exit 1; }
(cd "$BUILD" && nice ctest -j "$JOBS" --timeout "$TIMEOUT" -Q) || { echo "the tests fail without any fault"; exit 1; }

if ((every)); then
    : >"$BUILD/mutate-matrix.tsv"
fi
killed=0
survived=0
survivors=()
while IFS=$'\t' read -r name file original replacement; do
    [[ -z $name || $name == \#* ]] && continue
    if (($# > 0)); then
        wanted=0
        for word in "$@"; do [[ $name == *"$word"* ]] && wanted=1; done
        ((wanted)) || continue
    fi
    cp "$file" "$BUILD/mutate-original"
    planted=$file
    if ! plant "$file" "$original" "$replacement" 2>"$BUILD/mutate-plant.log"; then
        restore
        echo "SKIPPED   $name ($file: $(cat "$BUILD/mutate-plant.log"))"
        continue
    fi
    if ! nice cmake --build "$BUILD" -j "$JOBS" >"$BUILD/mutate-build.log" 2>&1; then
        verdict="BROKEN    $name (does not build: not counted)"
    elif (cd "$BUILD" && nice ctest -j "$JOBS" --timeout "$TIMEOUT" ${stop} --output-on-failure >mutate-test.log 2>&1); then
        verdict="SURVIVED  $name ($file)"
    else
        # The tests that caught it, as ctest names them in its summary.
        by=$(grep -oE '^[[:space:]]*[0-9]+ - [A-Za-z0-9_]+' "$BUILD/mutate-test.log" | awk '{print $3}' | paste -sd ' ' || true)
        verdict="KILLED    $name${by:+ (by $by)}"
        if ((every)); then
            # Each failed function as Class::function; a program that ended without
            # naming one (a crash, a time-out) as its own name.
            functions=$(grep -oE '^FAIL!  : [A-Za-z0-9_]+::[A-Za-z0-9_]+' "$BUILD/mutate-test.log" | awk '{print $3}' | sort -u | paste -sd ' ' || true)
            printf '%s\t%s\t%s\n' "$name" "$by" "$functions" >>"$BUILD/mutate-matrix.tsv"
        fi
    fi
    restore
    echo "$verdict"
    if [[ $verdict == BROKEN* ]]; then
        :
    elif [[ $verdict == SURVIVED* ]]; then
        survived=$((survived + 1))
        survivors+=("$name")
    else
        killed=$((killed + 1))
    fi
done <"$LIST"

# Leave the build folder matching the tree.
nice cmake --build "$BUILD" -j "$JOBS" >/dev/null 2>&1 || true
total=$((killed + survived))
((total > 0)) || { echo "no fault run"; exit 1; }
echo "score: $killed of $total faults killed ($((100 * killed / total))%)"
