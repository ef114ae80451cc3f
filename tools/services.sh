# Private test services for tools/test: an X server, a window manager, a tray host and a sound server
# with a null sink, all on sockets of their own under one temporary folder. Sourced, not run.

hush_services_dir=""

hush_free_display() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then echo "$n"; return 0; fi
  done
  return 1
}

hush_start_services() {
  hush_services_dir=$(mktemp -d /tmp/hushdial-services.XXXXXX)
  local run=$hush_services_dir
  mkdir -p "$run/home/.config/pulse" "$run/xdg"
  chmod 700 "$run/xdg"

  # X server for the hotkey, window and Wine tests.
  local n
  n=$(hush_free_display)
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
  echo $! >"$run/xvfb.pid"
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not come up" >&2; return 1; }
  if command -v openbox >/dev/null; then
    HOME="$run/home" openbox >"$run/openbox.log" 2>&1 &
    echo $! >"$run/openbox.pid"
  fi
  # The tray tests stop and restart the host through these two.
  export HUSHDIAL_SERVICES_DIR=$run
  export HUSHDIAL_TRAY_HOST="trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 24"
  if command -v trayer >/dev/null; then
    $HUSHDIAL_TRAY_HOST >"$run/trayer.log" 2>&1 &
    echo $! >"$run/trayer.pid"
  fi

  # Sound server: only the native protocol on a private socket and one null sink.
  echo "autospawn = no" >"$run/home/.config/pulse/client.conf"
  export PULSE_CLIENTCONFIG="$run/home/.config/pulse/client.conf"
  export PULSE_SERVER="unix:$run/pulse.sock"
  HOME="$run/home" XDG_RUNTIME_DIR="$run/xdg" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --log-target="file:$run/pulse.log" --disallow-exit=no \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$run/pulse.sock" \
    --load="module-null-sink sink_name=hushdial_test channels=2" >"$run/pulse.out" 2>&1 &
  echo $! >"$run/pulse.pid"
  for i in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pactl info >/dev/null 2>&1 || { echo "PulseAudio did not come up:" >&2; cat "$run/pulse.log" >&2; return 1; }
  pactl set-default-sink hushdial_test
  export HUSHDIAL_TEST_PULSE=1
  export HUSHDIAL_TEST_X11=1
}

hush_stop_services() {
  local run=$hush_services_dir
  [ -n "$run" ] && [ -d "$run" ] || return 0
  pactl exit >/dev/null 2>&1 || true
  local f
  for f in pulse trayer openbox xvfb; do
    [ -f "$run/$f.pid" ] && kill "$(cat "$run/$f.pid")" 2>/dev/null || true
  done
  sleep 0.2
  for f in pulse trayer openbox xvfb; do
    [ -f "$run/$f.pid" ] && kill -9 "$(cat "$run/$f.pid")" 2>/dev/null || true
  done
  rm -rf "$run"
  hush_services_dir=""
}
