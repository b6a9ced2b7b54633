#!/bin/bash
# Prints the path of odiff's native binary, not the npm command (a Node.js
# wrapper that adds its own start-up to every call): $ODIFF_BIN when set,
# else the platform package under a local or global node_modules, else
# odiff-bin's raw_binary. Prints nothing when none is installed.
# Usage: odiff=$(bench/odiff_binary.sh)
for candidate in "${ODIFF_BIN:-}" \
  node_modules/@odiff/*/odiff \
  "$(npm root -g 2>/dev/null)"/@odiff/*/odiff \
  "$(npm root -g 2>/dev/null)"/odiff-bin/node_modules/@odiff/*/odiff \
  "$(npm root -g 2>/dev/null)"/odiff-bin/raw_binary; do
  if [ -n "$candidate" ] && [ -f "$candidate" ] && [ -x "$candidate" ]; then
    echo "$candidate"
    exit 0
  fi
done
