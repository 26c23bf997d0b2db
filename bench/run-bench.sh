#!/usr/bin/env bash
# Builds a corpus from Debian packages (32-bit PE files and Japanese text in code page 932) and
# runs the benchmark on it. Figures go to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host windows bench e2e
corpus=build/bench-corpus
mkdir -p "$corpus"

gcc_dlls=/usr/lib/gcc/i686-w64-mingw32/12-win32
for dll in libstdc++-6.dll libgfortran-5.dll libgomp-1.dll libgcc_s_dw2-1.dll; do
  [ -f "$corpus/$dll" ] || i686-w64-mingw32-strip -o "$corpus/$dll" "$gcc_dlls/$dll"
done
wine_zlib=/usr/lib/x86_64-linux-gnu/wine/i386-windows/zlib1.dll
[ -f "$wine_zlib" ] && cp "$wine_zlib" "$corpus/zlib1.dll"

# Japanese manual pages, as one script-sized text in code page 932.
if [ ! -f "$corpus/manpages-ja.cp932" ]; then
  find /usr/share/man/ja -name '*.gz' | sort | head -400 | xargs zcat | iconv -f UTF-8 -t CP932 -c \
    >"$corpus/manpages-ja.all" || true
  head -c 1500000 "$corpus/manpages-ja.all" >"$corpus/manpages-ja.cp932"
  rm "$corpus/manpages-ja.all"
fi

cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)" --target pck_bench
build/host/pck_bench "$corpus"/*
