#!/usr/bin/env bash
# Builds the host updater and runs it against a throwaway demo installation, in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)"

demo=$(mktemp -d /tmp/quorlen-demo-XXXXXX)
key="$demo/registry/HKEY_CURRENT_USER/Software/Tavrel/QUORLEN"
mkdir -p "$demo/Ostrevane" "$key"
printf '#!/bin/sh\necho "Ostrevane Ver1.00"\n' >"$demo/Ostrevane/QUORLEN.exe"
printf '%s\\\0' "$demo/Ostrevane" >"$key/DataDir"
echo "Demo installation: $demo/Ostrevane (registry tree: $demo/registry)"
echo "Installed game says: $(sh "$demo/Ostrevane/QUORLEN.exe")"

QUORLEN_REGISTRY_ROOT="$demo/registry" build/host/QUORLEN_P101
echo
echo "Installed game now says: $(sh "$demo/Ostrevane/QUORLEN.exe")"
find "$demo/Ostrevane" -type f -exec ls -l --time-style=+'%Y-%m-%d %H:%M:%S' {} +
