# The processes the test tooling starts, recorded so that it ends only those: a process id is used
# again by the system once its process has ended, so each is kept with the moment its process
# started, and a number now naming a process started at another moment is left alone. Sourced, not
# run (tools/services.sh, tools/portal-services.sh).

# The moment a process started, in clock ticks since boot (field 22 of /proc/PID/stat, read after the
# command name, which may hold spaces and parentheses); nothing for an id no process has, or one
# whose process has ended and waits to be reaped.
hush_start_time() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  [ "$1" != Z ] || return 1
  echo "${20}"
}

# Whether /proc shows this shell's own processes: not in a chroot without it, nor in a process
# namespace that kept the outer /proc, where a number names another process.
hush_own_proc() {
  local me
  read -r me _ </proc/self/stat 2>/dev/null && [ "$me" = "$BASHPID" ]
}

# hush_record FILE PID: FILE gets the id (as before, for those who read it) and FILE.start when
# its process started; "-" where /proc cannot tell (see hush_own_proc): the id alone is all there is.
hush_record() {
  echo "$2" >"$1"
  if ! hush_own_proc; then
    echo - >"$1.start"
  elif ! hush_start_time "$2" >"$1.start"; then
    rm -f "$1.start"
  fi
}

# The ids recorded in the files given whose processes are still the ones recorded, one a line. A
# file without its start (the process had ended before it could be read) names nothing alive.
hush_recorded() {
  local f pid start
  for f in "$@"; do
    [ -f "$f" ] && [ -f "$f.start" ] || continue
    pid=$(cat "$f") start=$(cat "$f.start")
    [[ $pid =~ ^[0-9]+$ ]] && [ -n "$start" ] || continue
    if [ "$start" = - ]; then
      kill -0 "$pid" 2>/dev/null && echo "$pid"
    elif [ "$(hush_start_time "$pid")" = "$start" ]; then
      echo "$pid"
    fi
  done
  return 0
}

# Ends the processes recorded in the files given that are still the ones recorded: asked first, then,
# after a short wait, forced; checked again before each signal, so that a number the system has
# given to a new process since is never hit. The records are removed.
hush_end_recorded() {
  local pids i f
  mapfile -t pids < <(hush_recorded "$@")
  if [ ${#pids[@]} -gt 0 ]; then
    kill "${pids[@]}" 2>/dev/null
    for i in $(seq 1 40); do
      mapfile -t pids < <(hush_recorded "$@")
      [ ${#pids[@]} -eq 0 ] && break
      sleep 0.05
    done
    [ ${#pids[@]} -eq 0 ] || kill -9 "${pids[@]}" 2>/dev/null
  fi
  for f in "$@"; do rm -f "$f" "$f.start"; done
  return 0
}
