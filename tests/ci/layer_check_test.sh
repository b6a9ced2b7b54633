#!/bin/bash
# The layer check passes on the repository and fails on a copy of it with an
# include planted against the order and with a circle across two folders.
set -euo pipefail
repository=$1
check=$repository/.ci/layer-check
"$check" "$repository"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/vocabulary "$scratch"/engine "$scratch"/session
echo '#include "vocabulary/words.h"' >"$scratch"/engine/runner.h
: >"$scratch"/vocabulary/words.h
"$check" "$scratch" >/dev/null

echo '#include "session/pair.h"' >"$scratch"/vocabulary/words.h
: >"$scratch"/session/pair.h
if output=$("$check" "$scratch"); then
  echo "an upward include passed: $output" >&2
  exit 1
fi
grep -q 'vocabulary/words.h includes session/pair.h, a later layer' <<<"$output"

# Both folders of one layer may include each other's headers, but not in a circle.
mkdir -p "$scratch"/engine/posix
printf '#include "engine/posix/child.h"\n' >"$scratch"/engine/runner.h
printf '#include "engine/runner.h"\n' >"$scratch"/engine/posix/child.h
: >"$scratch"/vocabulary/words.h
if output=$("$check" "$scratch"); then
  echo "a circle across folders passed: $output" >&2
  exit 1
fi
grep -q 'circle across folders: engine/posix/child -> engine/runner' <<<"$output"
echo "layer check: passes here, fails on an upward include and on a circle"
