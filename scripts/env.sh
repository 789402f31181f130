# Shared settings of the project's scripts: where the cross-built dependencies,
# the locale and the one Wine prefix live, and how Wine is started.
# Sourced, never run.
TOLV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TOLV_DEPS="${TOLV_DEPS:-$TOLV_ROOT/.deps}"
export WINEPREFIX="${TOLV_WINEPREFIX:-$TOLV_DEPS/wine}"
# 64-bit Wine: 32-bit code cannot run on machines of this kind (see README).
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG="${WINEDEBUG:--all}"
# Keep Wine from copying Start-menu shortcuts into the Linux desktop's menu.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
export LOCPATH="$TOLV_DEPS/locale"

# Wine behaves like a Chinese Windows (ANSI and OEM code page 936) only under a
# zh_CN locale; set it just for Wine so that compilers keep their own language.
tolv_chinese_locale() {
  { export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8; } 2>/dev/null
}
