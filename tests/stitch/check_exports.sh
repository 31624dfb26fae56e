#!/bin/sh
# Fails unless the library's dynamic symbol table defines exactly the nine engine functions.
set -eu
lib="$1"
expected="QXAutoAlign QXAutoBlend QXAutoOrder QXAutoStraighten QXChangeOrder QXCreateStitch QXGetMiniatures QXLoadImages QXReleaseStitch"
actual=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "exports ok"
