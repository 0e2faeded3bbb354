#!/usr/bin/env bash
# Builds a release player and packs it with a show into a folder that runs on a
# stock desktop Linux without a compiler or any -dev package:
#   dist/<name>-linux-x86_64/ and dist/<name>-linux-x86_64.tar.gz
# Usage: bash scripts/package.sh [SHOW_DIR]   (default: the show in this repository)
# SHOW_DIR holds Config.txt and res/. <name> is the Title of its res/show.txt
# when it has one, else the show's folder name ("solvane" for the repository's
# own show); kept to letters, digits, '.', '_' and '-'.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
show=$(cd "${1:-.}" && pwd)
[ -f "$show/Config.txt" ] && [ -d "$show/res" ] || { echo "package: $show holds no Config.txt and res/" >&2; exit 1; }
name=solvane
[ "$show" = "$root" ] || name=$(basename "$show")
title=
[ ! -f "$show/res/show.txt" ] ||
  title=$(sed -n 's/^[[:space:]]*Title[[:space:]]*=[[:space:]]*\([^;]*\).*/\1/p' "$show/res/show.txt" | head -n 1)
[ -z "${title// /}" ] || name=$title
name=$(printf '%s' "$name" | sed 's/[[:space:]]*$//' | tr -cs 'A-Za-z0-9._-' '-' | sed 's/^-*//; s/-*$//')
[ -n "$name" ] || name=show

bash scripts/deps.sh
# The run path is an old-style RPATH (--disable-new-dtags): it also serves the
# bundled libraries' own needs (SDL2 needs libdecor and libsamplerate), which a
# RUNPATH would not.
CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DSOLVANE_TESTS=OFF \
  '-DCMAKE_BUILD_RPATH=$ORIGIN/lib' -DCMAKE_EXE_LINKER_FLAGS=-Wl,--disable-new-dtags \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache) >/dev/null
CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 cmake --build build-package --target solvane -j"$(nproc)"

out=dist/$name-linux-x86_64
rm -rf "$out" "$out.tar.gz"
mkdir -p "$out/lib"
cp build-package/solvane "$out/"
strip "$out/solvane"

# Bundled: the engine's own libraries and what they need that a stock desktop
# may lack. Everything else (libc, libm, libstdc++, GL/EGL/GLX, X11, Wayland,
# xkbcommon, DRM/GBM, ALSA, PulseAudio) is the system's: those must match the
# machine's drivers and sound server.
bundled='^(libSDL2-2\.0|libGLEW|libluajit-5\.1|libfftw3f|libmpg123|libdecor-0|libsamplerate)\.so'
ldd build-package/solvane | awk '$2 == "=>" && $3 ~ /^\// {print $1, $3}' | while read -r soname file; do
  if [[ $soname =~ $bundled ]]; then cp -L "$file" "$out/lib/$soname"; fi
done
for lib in SDL2 GLEW luajit fftw3f mpg123; do
  ls "$out/lib" | grep -q "$lib" || { echo "package: lib$lib was not found to bundle" >&2; exit 1; }
done
strip --strip-unneeded "$out"/lib/*

cp "$show/Config.txt" "$out/"
cp -r "$show/res" "$out/"
cp docs/package-README.txt "$out/README.txt"
{
  echo
  echo "Bundled in lib/:"
  for f in "$out"/lib/*; do echo "  $(basename "$f")"; done
} >> "$out/README.txt"

tar -C dist -czf "$out.tar.gz" "$name-linux-x86_64"
echo "package: $out and $out.tar.gz ($(du -sh "$out.tar.gz" | cut -f1))"
