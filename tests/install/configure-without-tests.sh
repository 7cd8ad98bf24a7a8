#!/usr/bin/env bash
# configure-without-tests.sh SOURCE GENERATOR CXX: configures the program alone
# (-DBUILD_TESTING=OFF) in a fresh folder, where looking for GoogleTest is an error; the
# tree must hold neither the test suite, the demo portal nor the benchmarks, and must not
# have looked for cpp-httplib.
source "$(dirname "$0")/common.sh"
source_dir=$1
generator=$2
cxx=$3

cmake -S "$source_dir" -B "$tmp" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" -DBUILD_TESTING=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  >"$tmp/configure.log" 2>&1 || {
  cat "$tmp/configure.log" >&2
  fail "the configure failed"
}
for folder in tests demo bench; do
  [ ! -e "$tmp/$folder" ] || fail "the build tree has $folder/"
done
! grep -qi 'httplib' "$tmp/CMakeCache.txt" || fail "the configure looked for cpp-httplib"
