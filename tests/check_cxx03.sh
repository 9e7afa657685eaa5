#!/usr/bin/env bash
# Compiles every source of the launcher, the shared library and the setup extension as
# C++03 without the C++ standard library, the language the device compilers know. Names
# each file that uses something newer.
# Usage: check_cxx03.sh <g++> <source folder>
set -euo pipefail
compiler="$1" src="$2"
cd "$src"
flags=(-std=c++03 -nostdinc++ -fsyntax-only -fno-exceptions -fno-rtti
  -Werror=c++11-extensions -Werror=c++11-compat -Werror=c++14-extensions
  -Werror=c++17-extensions -Werror=c++20-extensions
  -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_WIN32_IE=0x0600
  -I. -Iresources)
mapfile -t sources < <(find Common launcher setup -name '*.cpp' | sort)
[ "${#sources[@]}" -gt 0 ] || { echo "no product sources found in $src" >&2; exit 1; }
# One compiler run per file, as many at once as there are processors; a file that fails
# is named.
failed=$(printf '%s\n' "${sources[@]}" |
  xargs -P "$(nproc)" -I{} sh -c '"$0" "$@" {} || echo "  {}"' "$compiler" "${flags[@]}")
if [ -n "$failed" ]; then
  printf 'Not C++03:\n%s\n' "$failed"
  exit 1
fi
echo "${#sources[@]} product sources compile as C++03"
