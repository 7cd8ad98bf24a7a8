#!/usr/bin/env bash
# The layering check against small trees: each case is one file with one include, and
# whether the check must refuse it.
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

while IFS='|' read -r path include refused; do
  [ -z "$path" ] && continue
  tree="$work/tree"
  rm -rf "$tree"
  mkdir -p "$tree/$(dirname "$path")"
  printf '#pragma once\n\n%s\n' "$include" >"$tree/$path"
  "$check" "$tree" >"$work/out" 2>&1
  code=$?
  if [ "$refused" = yes ] && { [ $code -eq 0 ] || ! grep -qF "$path" "$work/out"; }; then
    echo "not refused: $path: $include"
    failures=$((failures + 1))
  elif [ "$refused" = no ] && [ $code -ne 0 ]; then
    echo "refused: $path: $include"
    sed 's/^/  /' "$work/out"
    failures=$((failures + 1))
  fi
done <<'CASES'
base/Text.h|#include <QString>|yes
base/Text.cpp|#include <unistd.h>|yes
base/Gbk.cpp|#include <iconv.h>|no
base/Text.h|#include "platform/Clock.h"|yes
base/Text.h|#include <string>|no
app/Form2.cpp|#include <QtCore/QTimer>|yes
app/Form2.cpp|#include <curl/curl.h>|yes
app/Form2.cpp|  #  include <sys/stat.h>|yes
app/Form2.cpp|#include "platform/Ui.h"|no
app/Form2.cpp|#include "platform/qt/QtUi.h"|yes
net/Engine.cpp|#include <pthread.h>|yes
net/Engine.cpp|#include <iconv.h>|yes
widgets/Bar.cpp|#include <QPainter>|yes
upgrade/Sig.cpp|#include <openssl/evp.h>|yes
windows/Form3.cpp|#include <arpa/inet.h>|yes
windows/Form3.cpp|#include <cmath>|no
platform/Ui.h|#include <QWidget>|yes
platform/Clock.h|#include "base/Text.h"|no
platform/qt/QtUi.cpp|#include <QWidget>|no
platform/posix/Files.cpp|#include <unistd.h>|no
main.cpp|#include "platform/qt/QtUi.h"|no
tests/unit/X.cpp|#include <unistd.h>|no
CASES

[ $failures -eq 0 ] && echo "every case as expected"
exit $((failures > 0))
