# The desktop portal with the KDE backend and kglobalaccel, on the session bus and X server already
# running (tests/linux/with-session-bus, tools/services.sh), with folders of their own so that
# nothing of the user's desktop is read or written. Sourced, not run.

hush_portal_dir=""

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

hush_start_portal() {
  hush_portal_dir=$(mktemp -d /tmp/hushdial-portal.XXXXXX)
  local run=$hush_portal_dir
  mkdir -p "$run/home" "$run/config" "$run/runtime"
  chmod 700 "$run/runtime"
  export HUSHDIAL_PORTAL_HOME=$run/home HUSHDIAL_PORTAL_CONFIG=$run/config
  local env=(env HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_RUNTIME_DIR="$run/runtime" XDG_CURRENT_DESKTOP=KDE
    QT_QPA_PLATFORM=xcb)
  "${env[@]}" /usr/libexec/xdg-permission-store >"$run/permission-store.log" 2>&1 &
  echo $! >"$run/permission-store.pid"
  hush_wait_name org.freedesktop.impl.portal.PermissionStore || return 1
  # KDE's global shortcut service: kglobalacceld from KDE 6 on, kglobalaccel5 before.
  local kglobalaccel portal_kde
  kglobalaccel=$(hush_first_program /usr/lib/*/libexec/kglobalacceld /usr/libexec/kglobalacceld /usr/bin/kglobalaccel5) ||
    { echo "no kglobalaccel (kglobalacceld or kglobalaccel5)" >&2; return 1; }
  portal_kde=$(hush_first_program /usr/lib/*/libexec/xdg-desktop-portal-kde /usr/libexec/xdg-desktop-portal-kde) ||
    { echo "no xdg-desktop-portal-kde" >&2; return 1; }
  "${env[@]}" "$kglobalaccel" >"$run/kglobalaccel.log" 2>&1 &
  echo $! >"$run/kglobalaccel.pid"
  hush_wait_name org.kde.kglobalaccel || return 1
  "${env[@]}" "$portal_kde" >"$run/portal-kde.log" 2>&1 &
  echo $! >"$run/portal-kde.pid"
  hush_wait_name org.freedesktop.impl.portal.desktop.kde || return 1
  "${env[@]}" /usr/libexec/xdg-desktop-portal -r >"$run/portal.log" 2>&1 &
  echo $! >"$run/portal.pid"
  hush_wait_name org.freedesktop.portal.Desktop || return 1
}

hush_stop_portal() {
  local run=$hush_portal_dir f
  [ -n "$run" ] && [ -d "$run" ] || return 0
  for f in portal portal-kde kglobalaccel permission-store; do
    [ -f "$run/$f.pid" ] && kill "$(cat "$run/$f.pid")" 2>/dev/null
  done
  sleep 0.2
  for f in portal portal-kde kglobalaccel permission-store; do
    [ -f "$run/$f.pid" ] && kill -9 "$(cat "$run/$f.pid")" 2>/dev/null
  done
  rm -rf "$run"
  hush_portal_dir=""
}
