#!/usr/bin/env bash
# Sets up and builds Quiret, then starts it with the given file paths.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
exec "$here/build/quiret" "$@"
