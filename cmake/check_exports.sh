#!/bin/sh
# Usage: check_exports.sh LIBRARY NAME...
# Fails unless the library's dynamic symbol table defines exactly the given names.
set -eu
lib="$1"
shift
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ' | sed 's/ $//')
actual=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "exports ok"
