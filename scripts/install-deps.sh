#!/usr/bin/env bash
# Installs the Debian packages that a part of the project needs, skipping what is already there.
#   scripts/install-deps.sh host      compilers, CMake, GoogleTest
#   scripts/install-deps.sh windows   mingw-w64 cross compilers
#   scripts/install-deps.sh e2e       Wine, Xvfb, xdotool, Japanese fonts and locale
#   scripts/install-deps.sh checks    valgrind, clang with libFuzzer and the sanitizers
#   scripts/install-deps.sh bench     LZ4 and zlib libraries, and the corpus's source packages
set -euo pipefail

packages=()
for part in "$@"; do
  case "$part" in
    host) packages+=(g++ cmake make libgtest-dev python3) ;;
    windows) packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64) ;;
    e2e) packages+=(wine wine64 xvfb xdotool imagemagick fonts-ipafont-gothic locales procps python3) ;;
    checks) packages+=(valgrind clang libclang-rt-14-dev) ;;
    bench) packages+=(liblz4-dev zlib1g-dev pkg-config mingw-w64-i686-dev manpages-ja) ;;
    *) echo "install-deps: unknown part '$part'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ " $* " == *" e2e "* ]] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale"
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
