# Private test services for tools/test: an X server, a window manager, a tray host and a sound server
# with a null sink, all on sockets of their own under one temporary folder. Sourced, not run.
#
# The sound server is PulseAudio or PipeWire (pipewire, wireplumber and PipeWire's pulse server, with a
# session bus of their own): HUSHDIAL_SOUND_SERVER names it, else the first that hush_sound_servers
# lists. Either way the tests reach it only through the private sockets, and the ALSA default device
# is sent there too, so the desktop's own sound setup is never touched.

hush_services_dir=""
. "$(dirname "${BASH_SOURCE[0]}")/sound-servers.sh"
. "$(dirname "${BASH_SOURCE[0]}")/processes.sh"

# A display number no X server uses: no socket or lock file in /tmp, and no abstract socket, which a
# server in another mount namespace (a test root sharing this network) leaves as its only trace.
hush_free_display() {
  local n from=${1:-90} to=${2:-140}
  for n in $(seq "$from" "$to"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] &&
      ! grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

hush_start_services() {
  hush_services_dir=$(mktemp -d /tmp/hushdial-services.XXXXXX)
  local run=$hush_services_dir
  mkdir -p "$run/home/.config/pulse" "$run/xdg"
  chmod 700 "$run/xdg"

  # X server for the hotkey, window and Wine tests.
  # A display another server takes meanwhile (one in another namespace, unseen by the check) ends
  # this Xvfb at once while the other answers: another number then.
  local n attempt i up=""
  for attempt in 1 2 3; do
    n=$(hush_free_display $((90 + (attempt - 1) * 17)) 160)
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
    hush_record "$run/xvfb.pid" $!
    export DISPLAY=":$n"
    for i in $(seq 1 100); do
      kill -0 "$(cat "$run/xvfb.pid")" 2>/dev/null || break
      xdpyinfo >/dev/null 2>&1 && { up=1; break; }
      sleep 0.1
    done
    [ -n "$up" ] && kill -0 "$(cat "$run/xvfb.pid")" 2>/dev/null && break
    up=""
  done
  [ -n "$up" ] || { echo "Xvfb did not come up:" >&2; cat "$run/xvfb.log" >&2; return 1; }
  if command -v openbox >/dev/null; then
    HOME="$run/home" openbox >"$run/openbox.log" 2>&1 &
    hush_record "$run/openbox.pid" $!
  fi
  # The tray tests stop and restart the host through these; HUSHDIAL_TRAY_WINDOW is how the host's
  # window shows in xwininfo -tree (its class), to find the icons docked in it. Both hosts sit at
  # the top right of the screen. trayer, or stalonetray where the release lacks trayer.
  export HUSHDIAL_SERVICES_DIR=$run
  if command -v trayer >/dev/null || ! command -v stalonetray >/dev/null; then
    export HUSHDIAL_TRAY_HOST="trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 24"
    export HUSHDIAL_TRAY_WINDOW='("panel" "trayer")'
  else
    export HUSHDIAL_TRAY_HOST="stalonetray --config /dev/null --geometry 8x1-0+0 --icon-size 24 --kludges force_icons_size"
    export HUSHDIAL_TRAY_WINDOW='("stalonetray" "stalonetray")'
  fi
  if command -v "${HUSHDIAL_TRAY_HOST%% *}" >/dev/null; then
    $HUSHDIAL_TRAY_HOST >"$run/trayer.log" 2>&1 &
    hush_record "$run/trayer.pid" $!
  fi

  # No session bus unless a test brings its own (tests/linux/with-session-bus): without an address,
  # D-Bus clients would start one for the display and note it in the user's ~/.dbus.
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$run/no-session-bus"
  if [ "${HUSHDIAL_SOUND_SERVER:-}" = none ]; then
    # No sound server to test with: the tests that need one skip. Nothing may reach the machine's
    # own sound either: clients, and ALSA's default device through its pulse plugin, are pointed at
    # a server that is not there, as on a machine without sound.
    unset HUSHDIAL_TEST_PULSE
    export PULSE_SERVER="unix:$run/no-sound-server"
    printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$run/alsa.conf"
    export ALSA_CONFIG_PATH="$run/alsa.conf"
  else
    hush_start_sound || return 1
    export HUSHDIAL_TEST_PULSE=1
  fi
  export HUSHDIAL_TEST_X11=1
}

hush_stop_services() {
  local run=$hush_services_dir
  [ -n "$run" ] && [ -d "$run" ] || return 0
  hush_stop_sound
  hush_end_recorded "$run/dbus.pid" "$run/trayer.pid" "$run/openbox.pid" "$run/xvfb.pid"
  rm -rf "$run"
  hush_services_dir=""
}

hush_wait_pulse() {
  local i
  for i in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts the chosen sound server in the services folder; hush_stop_sound and hush_start_sound again
# restart the whole of it (tests/linux/sound-server-restart does).
hush_start_sound() {
  local run=${HUSHDIAL_SERVICES_DIR:-$hush_services_dir}
  # Without a folder every path below would be one at the root of the file system.
  [ -n "$run" ] || { echo "hush_start_sound: no services folder" >&2; return 1; }
  export HUSHDIAL_SOUND_SERVER=${HUSHDIAL_SOUND_SERVER:-$(hush_sound_servers | head -1)}
  mkdir -p "$run/home/.config/pulse" "$run/xdg" "$run/pipewire"
  chmod 700 "$run/xdg" "$run/pipewire"
  echo "autospawn = no" >"$run/home/.config/pulse/client.conf"
  export PULSE_CLIENTCONFIG="$run/home/.config/pulse/client.conf"
  export PULSE_SERVER="unix:$run/pulse.sock"
  export PULSE_COOKIE="$run/pulse-cookie"  # else every client makes one in the user's home
  # ALSA's default device goes to the private server through the pulse plugin. The configuration is
  # this file alone: the system's alsa.conf would load the machine's and the user's own files after it
  # (/etc/alsa/conf.d, ~/.asoundrc), which may name a real card as the default.
  printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$run/alsa.conf"
  export ALSA_CONFIG_PATH="$run/alsa.conf"
  export PIPEWIRE_RUNTIME_DIR="$run/pipewire"
  unset PIPEWIRE_REMOTE
  case "$HUSHDIAL_SOUND_SERVER" in
    pulseaudio) hush_start_pulseaudio "$run" ;;
    pipewire) hush_start_pipewire "$run" ;;
    *) echo "no sound server to test with (install pulseaudio, or pipewire and wireplumber)" >&2; return 1 ;;
  esac || return 1
  pactl set-default-sink hushdial_test
  echo "sound server: $HUSHDIAL_SOUND_SERVER ($(LC_ALL=C pactl info | sed -n 's/^Server Name: //p'))"
}

hush_start_pulseaudio() {
  local run=$1
  # Only the native protocol on a private socket and one null sink; nothing of the user's own
  # configuration or state is read or written.
  HOME="$run/home" XDG_CONFIG_HOME="$run/home/.config" XDG_STATE_HOME="$run/home/.local/state" \
    XDG_RUNTIME_DIR="$run/xdg" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --log-target="file:$run/pulse.log" --disallow-exit=no \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$run/pulse.sock" \
    --load="module-null-sink sink_name=hushdial_test channels=2" >"$run/pulse.out" 2>&1 &
  hush_record "$run/sound-pulse.pid" $!
  hush_wait_pulse || { echo "PulseAudio did not come up:" >&2; cat "$run/pulse.log" >&2; return 1; }
}

# PipeWire with the null sink (kept processing: from PipeWire 1.2 on, a null sink that has never run
# ignores every volume set on it, as no format is negotiated yet for its converter), wireplumber for the default sink and its metadata (without any device
# monitor, so no real sound card is opened), and PipeWire's pulse server, each with configuration of
# its own, a private home and runtime folder.
hush_start_pipewire() {
  local run=$1
  if [ ! -f "$run/dbus.pid" ]; then
    # A session bus of the stack's own without service folders, so that nothing is started on it
    # behind the tests' back (such as a permission store reading the user's files).
    cat >"$run/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$run/bus</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    env HOME="$run/home" XDG_RUNTIME_DIR="$run/pipewire" dbus-daemon --config-file="$run/bus.conf" --nofork \
      --nopidfile >"$run/dbus.log" 2>&1 &
    hush_record "$run/dbus.pid" $!
    local i
    for i in $(seq 1 50); do [ -S "$run/bus" ] && break; sleep 0.05; done
  fi
  cat >"$run/pipewire.conf" <<'CONF'
context.properties = { core.daemon = true core.name = pipewire-0 link.max-buffers = 16 }
context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert support.* = support/libspa-support }
context.modules = [
  { name = libpipewire-module-protocol-native }
  { name = libpipewire-module-metadata }
  { name = libpipewire-module-spa-device-factory }
  { name = libpipewire-module-spa-node-factory }
  { name = libpipewire-module-client-node }
  { name = libpipewire-module-client-device }
  { name = libpipewire-module-access args = { } }
  { name = libpipewire-module-adapter }
  { name = libpipewire-module-link-factory }
  { name = libpipewire-module-session-manager }
]
context.objects = [
  { factory = spa-node-factory
    args = { factory.name = support.node.driver node.name = Dummy-Driver node.group = pipewire.dummy
             priority.driver = 20000 } }
  { factory = adapter
    args = { factory.name = support.null-audio-sink node.name = hushdial_test node.description = "Hushdial test sink"
             media.class = Audio/Sink object.linger = true audio.position = [ FL FR ] monitor.channel-volumes = true
             node.always-process = true } }
]
CONF
  cat >"$run/pipewire-pulse.conf" <<CONF
context.properties = { core.daemon = false }
context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert support.* = support/libspa-support }
context.modules = [
  { name = libpipewire-module-protocol-native }
  { name = libpipewire-module-client-node }
  { name = libpipewire-module-adapter }
  { name = libpipewire-module-metadata }
  { name = libpipewire-module-protocol-pulse args = { server.address = [ "unix:$run/pulse.sock" ] } }
]
CONF
  hush_wireplumber_config "$run/wireplumber" || return 1
  local env=(env HOME="$run/home" XDG_CONFIG_HOME="$run/home/.config" XDG_STATE_HOME="$run/home/.local/state"
    XDG_DATA_HOME="$run/home/.local/share" XDG_RUNTIME_DIR="$run/pipewire" PIPEWIRE_RUNTIME_DIR="$run/pipewire"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus" WIREPLUMBER_CONFIG_DIR="$run/wireplumber" DISPLAY=
    WAYLAND_DISPLAY=)
  "${env[@]}" pipewire -c "$run/pipewire.conf" >"$run/pipewire.log" 2>&1 &
  hush_record "$run/sound-pipewire.pid" $!
  local i
  for i in $(seq 1 100); do [ -S "$run/pipewire/pipewire-0" ] && break; sleep 0.05; done
  "${env[@]}" wireplumber >"$run/wireplumber.log" 2>&1 &
  hush_record "$run/sound-wireplumber.pid" $!
  "${env[@]}" pipewire -c "$run/pipewire-pulse.conf" >"$run/pipewire-pulse.log" 2>&1 &
  hush_record "$run/sound-pulse.pid" $!
  hush_wait_pulse || { echo "PipeWire did not come up:" >&2; tail -n 20 "$run"/pipewire*.log "$run/wireplumber.log" >&2; return 1; }
  # The sink is the default once wireplumber has chosen it.
  for i in $(seq 1 100); do
    LC_ALL=C pactl info 2>/dev/null | grep -q "^Default Sink: hushdial_test" && return 0
    sleep 0.05
  done
  echo "wireplumber chose no default sink" >&2
  return 1
}

# WirePlumber's configuration with every device monitor off, so that the private stack never opens a
# sound card, camera or Bluetooth device of the machine. Refuses a layout it does not know.
hush_wireplumber_config() {
  local dir=$1
  rm -rf "$dir"
  if [ -f /usr/share/wireplumber/main.lua.d/90-enable-all.lua ]; then
    # WirePlumber 0.4: Lua configuration; the monitors are enabled by one file, Bluetooth by another.
    cp -r /usr/share/wireplumber "$dir"
    sed -i -E 's/^(alsa|v4l2|libcamera)_monitor\.enable\(\)/-- &/' "$dir/main.lua.d/90-enable-all.lua"
    sed -i '/bluetooth\.lua/d' "$dir/wireplumber.conf"
    if grep -qE '^[[:space:]]*(alsa|v4l2|libcamera)_monitor\.enable\(\)' "$dir/main.lua.d/90-enable-all.lua" ||
      grep -q 'bluetooth\.lua' "$dir/wireplumber.conf"; then
      echo "could not turn WirePlumber's device monitors off; not starting it" >&2
      return 1
    fi
  elif grep -q 'wireplumber.profiles' /usr/share/wireplumber/wireplumber.conf 2>/dev/null; then
    # WirePlumber 0.5: SPA-JSON profiles; a fragment turns the monitors off in the main profile.
    mkdir -p "$dir/wireplumber.conf.d"
    cp /usr/share/wireplumber/wireplumber.conf "$dir/"
    printf 'wireplumber.profiles = {\n  main = {\n    monitor.alsa = disabled\n    monitor.alsa-midi = disabled\n    monitor.bluez = disabled\n    monitor.bluez-midi = disabled\n    monitor.v4l2 = disabled\n    monitor.libcamera = disabled\n  }\n}\n' \
      >"$dir/wireplumber.conf.d/90-hushdial-no-devices.conf"
  else
    echo "unknown WirePlumber configuration layout; not starting it" >&2
    return 1
  fi
}

hush_stop_sound() {
  local run=${HUSHDIAL_SERVICES_DIR:-$hush_services_dir} f files=()
  [ -n "$run" ] && [ -d "$run" ] || return 0
  for f in "$run"/sound-*.pid; do [ -f "$f" ] && files+=("$f"); done
  [ ${#files[@]} -eq 0 ] && return 0
  hush_end_recorded "${files[@]}"
  rm -f "$run/pulse.sock"
  return 0
}
