# The desktop portal with the KDE backend and kglobalaccel, on the session bus and X server already
# running (tests/linux/with-session-bus, tools/services.sh), with folders of their own so that
# nothing of the user's desktop is read or written. Sourced, not run.

hush_portal_dir=""
. "$(dirname "${BASH_SOURCE[0]}")/processes.sh"
# KDE's backend and shortcut service as tools/deps test unpacked them: never installed, so that the
# desktop's own portal never offers them (HUSHDIAL_KDE_PORTAL: another such folder).
hush_kde=${HUSHDIAL_KDE_PORTAL:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/kde-portal}

# The portal and the unpacked KDE pieces are there.
hush_portal_ready() {
  [ -x /usr/libexec/xdg-desktop-portal ] && [ -f "$hush_kde/unpacked" ] && [ -f "$hush_kde/portals/kde.portal" ]
}

hush_bus_has() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}

hush_wait_name() {
  local i
  for i in $(seq 1 100); do hush_bus_has "$1" && return 0; sleep 0.05; done
  echo "$1 did not come up on the session bus" >&2
  return 1
}

# The first of the paths given that is a program.
hush_first_program() {
  local p
  for p in "$@"; do [ -x "$p" ] && { echo "$p"; return 0; }; done
  return 1
}

# The environment KDE's unpacked programs run with: their libraries and plugins first from the
# unpacked folder, then from the system's. Into the array named.
hush_kde_env() {
  local -n into=$1
  local root=$hush_kde/root libs=() plugins=() d
  for d in "$root"/usr/lib/*-linux-gnu "$root"/usr/lib; do [ -d "$d" ] && libs+=("$d"); done
  for d in "$root"/usr/lib/*/qt6/plugins "$root"/usr/lib/*/qt5/plugins; do [ -d "$d" ] && plugins+=("$d"); done
  into=(LD_LIBRARY_PATH="$(IFS=:; echo "${libs[*]}")" QT_PLUGIN_PATH="$(IFS=:; echo "${plugins[*]}")"
    XDG_DATA_DIRS="$root/usr/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}")
}

# Hushdial's desktop file in DIR/applications, for a portal to find through XDG_DATA_DIRS, as the
# package installs it. GLib takes a desktop file whose Exec names no program for no app at all, and
# the portal then refuses the id: where Hushdial is not installed, the copy names a stand-in that
# only says so.
hush_desktop_file() {
  local dir=$1 repo
  repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  mkdir -p "$dir/applications" || return 1
  if command -v hushdial >/dev/null; then
    cp "$repo/packaging/linux/com.brightfen.Hushdial.desktop" "$dir/applications/"
  else
    mkdir -p "$dir/bin"
    printf '#!/bin/sh\necho "hushdial is not installed in this test session" >&2\nexit 1\n' >"$dir/bin/hushdial"
    chmod +x "$dir/bin/hushdial"
    sed "s|^Exec=hushdial|Exec=$dir/bin/hushdial|" "$repo/packaging/linux/com.brightfen.Hushdial.desktop" \
      >"$dir/applications/com.brightfen.Hushdial.desktop"
  fi
}

hush_start_portal() {
  hush_portal_dir=$(mktemp -d /tmp/hushdial-portal.XXXXXX)
  local run=$hush_portal_dir
  mkdir -p "$run/home" "$run/config" "$run/runtime"
  chmod 700 "$run/runtime"
  export HUSHDIAL_PORTAL_HOME=$run/home HUSHDIAL_PORTAL_CONFIG=$run/config
  local env=(env HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_RUNTIME_DIR="$run/runtime" XDG_CURRENT_DESKTOP=KDE
    QT_QPA_PLATFORM="${HUSHDIAL_PORTAL_QPA:-xcb}")
  "${env[@]}" /usr/libexec/xdg-permission-store >"$run/permission-store.log" 2>&1 &
  hush_record "$run/permission-store.pid" $!
  hush_wait_name org.freedesktop.impl.portal.PermissionStore || return 1
  local kglobalaccel portal_kde kde_env
  hush_kde_env kde_env
  local root=$hush_kde/root
  # KDE's global shortcut service: kglobalacceld from KDE 6 on, kglobalaccel5 before; KWin runs its
  # own (tests/linux/with-kwin), which is then already on the bus.
  if ! hush_bus_has org.kde.kglobalaccel; then
    kglobalaccel=$(hush_first_program "$root"/usr/lib/*/libexec/kglobalacceld "$root"/usr/libexec/kglobalacceld \
      "$root"/usr/bin/kglobalaccel5) ||
      { echo "no kglobalaccel (kglobalacceld or kglobalaccel5) in $hush_kde: run tools/deps test" >&2; return 1; }
    "${env[@]}" "${kde_env[@]}" "$kglobalaccel" >"$run/kglobalaccel.log" 2>&1 &
    hush_record "$run/kglobalaccel.pid" $!
    hush_wait_name org.kde.kglobalaccel || return 1
  fi
  portal_kde=$(hush_first_program "$root"/usr/lib/*/libexec/xdg-desktop-portal-kde "$root"/usr/libexec/xdg-desktop-portal-kde) ||
    { echo "no xdg-desktop-portal-kde in $hush_kde: run tools/deps test" >&2; return 1; }
  "${env[@]}" "${kde_env[@]}" "$portal_kde" >"$run/portal-kde.log" 2>&1 &
  hush_record "$run/portal-kde.pid" $!
  hush_wait_name org.freedesktop.impl.portal.desktop.kde || return 1
  hush_run_portal
}

# The portal itself, on the backends started above; again after hush_stop_portal_alone, as a user's
# services restart it (an update): the KDE backend and kglobalaccel run on, holding what they held.
hush_run_portal() {
  local run=$hush_portal_dir
  # The portal names an unsandboxed program by its desktop file (from 1.22 it refuses one without).
  [ -f "$run/data/applications/com.brightfen.Hushdial.desktop" ] || hush_desktop_file "$run/data" || return 1
  # The backends this portal knows, and its choice among them, are the unpacked folder's alone.
  env HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_RUNTIME_DIR="$run/runtime" XDG_CURRENT_DESKTOP=KDE \
    XDG_DATA_DIRS="$run/data:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
    XDG_DESKTOP_PORTAL_DIR="$hush_kde/portals" /usr/libexec/xdg-desktop-portal -r >>"$run/portal.log" 2>&1 &
  hush_record "$run/portal.pid" $!
  hush_wait_name org.freedesktop.portal.Desktop
}
# Another portal that takes the name over in place (-r), as `xdg-desktop-portal --replace` does; the
# one it replaced is ended should it not have ended by itself.
hush_replace_portal() {
  local run=$hush_portal_dir
  mv "$run/portal.pid" "$run/replaced.pid" && mv "$run/portal.pid.start" "$run/replaced.pid.start" || return 1
  hush_run_portal || return 1
  local _
  for _ in $(seq 1 50); do [ -z "$(hush_recorded "$run/replaced.pid")" ] && break; sleep 0.1; done
  hush_end_recorded "$run/replaced.pid"
  hush_wait_name org.freedesktop.portal.Desktop
}
hush_stop_portal_alone() {
  hush_end_recorded "$hush_portal_dir/portal.pid"
  local _
  for _ in $(seq 1 50); do hush_bus_has org.freedesktop.portal.Desktop || return 0; sleep 0.1; done
  return 1
}

hush_stop_portal() {
  local run=$hush_portal_dir
  [ -n "$run" ] && [ -d "$run" ] || return 0
  hush_end_recorded "$run/portal.pid" "$run/portal-kde.pid" "$run/kglobalaccel.pid" "$run/permission-store.pid"
  rm -rf "$run"
  hush_portal_dir=""
}
