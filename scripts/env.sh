# Shared settings of the project's scripts: where the cross-built dependencies,
# the locale and the one Wine prefix live, and how Wine is started.
# Sourced, never run.
TOLV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TOLV_DEPS="${TOLV_DEPS:-$TOLV_ROOT/.deps}"
export WINEPREFIX="${TOLV_WINEPREFIX:-$TOLV_DEPS/wine}"
# 64-bit Wine by default: some machines of this kind cannot run 32-bit code
# at all (see README); tolv_wine32 switches to 32 bits where they can.
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
# The i686 builds run under the 32-bit loader of wine32:i386 in a win32
# prefix of their own (a win64 prefix made while only 64-bit Wine was
# installed cannot start 32-bit programs). The 64-bit wineserver serves both.
TOLV_WINEPREFIX32="${TOLV_WINEPREFIX32:-$TOLV_DEPS/wine32}"
TOLV_WINELOADER32=/usr/lib/wine/wine
# The X libraries Wine's display driver loads when they are there (input,
# screens, drawing, cursors); setup installs them for both architectures, so
# that 32-bit and 64-bit Wine drive the X server alike. Measured without
# libxi6:i386: a click on a window of one process that the X server stacks
# below a window of another lands on the upper one, where Wine with XInput
# hands it to the window that is on top in Windows' own order.
TOLV_X_LIBS=(libxi6 libxrandr2 libxrender1 libxcomposite1 libxfixes3 libxcursor1 libxinerama1
  libxxf86vm1)
export WINEDEBUG="${WINEDEBUG:--all}"
# Keep Wine from copying Start-menu shortcuts into the Linux desktop's menu.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
export LOCPATH="$TOLV_DEPS/locale"

# Wine behaves like a Chinese Windows (ANSI and OEM code page 936) only under a
# zh_CN locale; set it just for Wine so that compilers keep their own language.
tolv_chinese_locale() {
  { export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8; } 2>/dev/null
}

# The test display: always an Xvfb of our own on :${TOLV_TEST_DISPLAY:-95}, of
# the fixed size ${TOLV_TEST_GEOMETRY:-1280x1024}, never the developer's screen
# (the end-to-end tests move the real mouse and type real keys there).
# An Xvfb of that number and size left running is reused; TOLV_XVFB_PID holds
# the process started, if any.
tolv_test_display() {
  TOLV_XVFB_PID=""
  local geometry="${TOLV_TEST_GEOMETRY:-1280x1024}"
  export DISPLAY=":${TOLV_TEST_DISPLAY:-95}"
  if xdpyinfo >/dev/null 2>&1; then
    # Read whole first: grep -q ending early would fail the pipe under pipefail.
    if ! grep -q "dimensions: *${geometry} pixels" <<<"$(xdpyinfo)"; then
      echo "display $DISPLAY is taken by a screen that is not ${geometry}:" \
        "set TOLV_TEST_DISPLAY to a free number" >&2
      return 1
    fi
    return 0
  fi
  Xvfb "$DISPLAY" -screen 0 "${geometry}x24" -nolisten tcp >/dev/null 2>&1 &
  TOLV_XVFB_PID=$!
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# The test build the tools measure: the i686 one where 32-bit programs run
# (unless TOLV_TEST_ARCH=64), switching this shell's Wine to 32 bits, else
# the 64-bit one. Sets TOLV_BUILD and TOLV_ARCH_NAME.
tolv_pick_test_build() {
  TOLV_BUILD="${TOLV_TEST_BUILD:-build/test}" TOLV_ARCH_NAME="64-bit"
  if [ "${TOLV_TEST_ARCH:-auto}" != 64 ] && tolv_probe32 build/probe32 >/dev/null; then
    TOLV_BUILD="${TOLV_TEST_BUILD32:-build/test32}" TOLV_ARCH_NAME="i686"
    tolv_wine32
  fi
}

# A fresh wineserver, kept running, with the prefix's start-up done, so that
# the first program measured does not pay for it.
tolv_warm_wine() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINELOADER" cmd /c exit 0 </dev/null >/dev/null 2>&1
}

# Switches this shell's Wine to the 32-bit loader and its win32 prefix.
tolv_wine32() {
  export WINEPREFIX="$TOLV_WINEPREFIX32" WINEARCH=win32 WINELOADER="$TOLV_WINELOADER32"
}

# Whether 32-bit Windows programs run here: builds the probe program with the
# i686 toolchain into DIR and runs it under 32-bit Wine (on a display) with a
# time limit. Yes only on its exact line and exit code; otherwise prints why
# not and returns 1. Runs in a subshell: the caller's Wine stays as it was.
tolv_probe32() (
  local dir="$1"
  if [ ! -x "$TOLV_WINELOADER32" ]; then
    echo "wine32:i386 is not installed"
    return 1
  fi
  if ! timeout 20 "$TOLV_WINELOADER32" --version >/dev/null 2>&1; then
    echo "the kernel does not execute 32-bit programs"
    return 1
  fi
  local lib
  for lib in "${TOLV_X_LIBS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$lib:i386" 2>/dev/null | grep -q 'install ok installed'; then
      echo "32-bit Wine lacks the X library $lib:i386"
      return 1
    fi
  done
  if [ ! -f "$TOLV_WINEPREFIX32/.tolv-configured-2" ]; then
    echo "the 32-bit Wine prefix could not be made"
    return 1
  fi
  mkdir -p "$dir"
  local exe="$dir/probe32.exe"
  if [ ! -f "$exe" ] || [ "$TOLV_ROOT/tests/tools/probe32.c" -nt "$exe" ]; then
    i686-w64-mingw32-gcc-win32 -O2 -s -static -Wall -Wextra -o "$exe" \
      "$TOLV_ROOT/tests/tools/probe32.c" || { echo "the probe did not build"; return 1; }
  fi
  tolv_wine32
  tolv_chinese_locale
  local out rc
  timeout -k 5 60 "$WINELOADER" "$exe" </dev/null >"$dir/probe32.out" 2>/dev/null && rc=0 || rc=$?
  "$WINESERVER" -k >/dev/null 2>&1 || true
  out=$(tr -d '\r' <"$dir/probe32.out")
  if [ "$out" = "tolv-probe32: i686 ok" ] && [ "$rc" = 32 ]; then
    return 0
  fi
  echo "the 32-bit probe answered ${out:-nothing} (exit $rc)"
  return 1
)
