# shellcheck shell=bash
# Sourced by the scripts that run a Windows build's programs under Wine: `hush_wine_for EXE BUILD`
# makes `wine` and `wineserver` the ones EXE needs and sets WINEARCH. A 32-bit exe runs under the
# private 32-bit Wine in BUILD/wine32 (tools/wine32, set up on first use); where this machine runs
# no 32-bit program, or where there is no Wine at all, it prints the skip line and returns 77.
hush_wine_for() {
  local exe=$1 build=$2 tools
  # Debian's testing release goes without Wine at times (forky, late 2026): nothing to run them on.
  command -v wine >/dev/null || { echo "skipped: this release has no Wine (tools/deps found none to install)"; return 77; }
  tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../tools" && pwd)"
  case "$(file -b "$exe" 2>/dev/null)" in
    PE32+*) export WINEARCH=win64 ;;
    PE32*)
      "$tools/wine32" check || return 77
      "$tools/wine32" setup "$build/wine32" >&2 || { echo "skipped: 32-bit Wine could not be set up"; return 77; }
      export WINEARCH=win32 PATH="$build/wine32/bin:$PATH"
      ;;
    *) echo "hush_wine_for: $exe is no Windows program" >&2; return 1 ;;
  esac
}
