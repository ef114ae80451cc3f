# Which sound servers this machine's tests use, decided in one place for tools/deps (what to install)
# and tools/services.sh (what to start). Sourced, not run.
#
# PipeWire's ALSA plugin conflicts with PulseAudio, and a sound server or session manager installed on
# a desktop starts at its next logon and takes the sound cards, so:
# - a PipeWire desktop (its pulse server or ALSA plugin installed) uses PipeWire only; one still on
#   pipewire-media-session gets no WirePlumber beside it, and its tests run on PulseAudio's protocol
#   through PipeWire only where WirePlumber is there already;
# - a PulseAudio desktop keeps PulseAudio alone (PipeWire is tested there only if already installed);
# - a machine with neither gets both where it is no desktop (a server, a VM, a chroot, a container,
#   CI): there no graphical logon ever starts them. A desktop with neither (JACK or plain ALSA) gets
#   none; install one yourself, or set HUSHDIAL_INSTALL_SOUND_SERVERS=1 to have both installed.

# Installed, not just known to dpkg (a package removed with its configuration left is not); in the
# system under HUSHDIAL_SYSTEM_ROOT where that is set.
hush_installed() {
  local root=${HUSHDIAL_SYSTEM_ROOT:-}
  [ "$(dpkg-query ${root:+--admindir="$root/var/lib/dpkg"} -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | cut -c2)" = i ]
}

hush_pipewire_desktop() { hush_installed pipewire-pulse || hush_installed pipewire-alsa; }

# A desktop, by what marks one: a graphical session now (this one, or any logind knows), a display
# manager, or startx. A container, a chroot or a server has none of these, whatever else it has.
# (HUSHDIAL_SYSTEM_ROOT: where files are looked for, for the tests of this choice; the sessions
# logind knows are asked only without it.)
hush_desktop() {
  local root=${HUSHDIAL_SYSTEM_ROOT:-} id p
  case "${XDG_SESSION_TYPE:-}" in x11 | wayland | mir) return 0 ;; esac
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  if [ -z "$root" ] && command -v loginctl >/dev/null; then
    for id in $(loginctl list-sessions --no-legend 2>/dev/null | awk '{print $1}'); do
      case "$(loginctl show-session "$id" -p Type --value 2>/dev/null)" in x11 | wayland | mir) return 0 ;; esac
    done
  fi
  [ -e "$root/etc/X11/default-display-manager" ] || [ -e "$root/etc/systemd/system/display-manager.service" ] &&
    return 0
  for p in gdm3 sddm lightdm lxdm slim xdm nodm greetd ly xinit; do
    hush_installed "$p" && return 0
  done
  return 1
}

# The packages of the sound servers to install for the tests, one a line (none: see above).
hush_sound_packages() {
  local pipewire=(pipewire libspa-0.2-modules dbus)
  hush_installed pipewire-media-session || pipewire+=(wireplumber)
  if hush_pipewire_desktop; then
    printf '%s\n' "${pipewire[@]}"
  elif hush_installed pulseaudio; then
    echo pulseaudio
  elif [ -n "${CI:-}" ] || [ -n "${HUSHDIAL_INSTALL_SOUND_SERVERS:-}" ] || ! hush_desktop; then
    printf '%s\n' pulseaudio "${pipewire[@]}"
  fi
}

# The sound servers this machine can run for the tests, one a line, the one to prefer first: PipeWire
# where its pulse server or ALSA plugin is the desktop's (PulseAudio is never installed there).
hush_sound_servers() {
  local pipewire="" pulse=""
  if command -v pipewire >/dev/null && command -v wireplumber >/dev/null && command -v dbus-daemon >/dev/null &&
    compgen -G "/usr/lib/*/pipewire-0.3/libpipewire-module-protocol-pulse.so" >/dev/null; then
    pipewire=pipewire
  fi
  command -v pulseaudio >/dev/null && pulse=pulseaudio
  if hush_pipewire_desktop; then
    printf '%s\n' $pipewire $pulse
  else
    printf '%s\n' $pulse $pipewire
  fi
}
