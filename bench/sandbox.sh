# Sourced by bench/soak and bench/run-all: a network namespace of their own for Wine and the
# simulator, with a virtual X server and a wineserver started inside it.
#   sandbox_enter SCRIPT ARGS...  re-runs SCRIPT as root in a new network namespace (once)
#   sandbox_up                    loopback up, 127.0.0.11 silent, Wine prefix, X server,
#                                 wineserver; ended by sandbox_down (set as the EXIT trap)
#   sandbox_second NAME           after sandbox_up: a second prefix (build/NAME-prefix) with an
#                                 X server and a wineserver of its own, for a program measured
#                                 beside the first's; its prefix and display in
#                                 sandbox_second_prefix and sandbox_second_display, its X
#                                 server's process in sandbox_second_x
# The address the probe must find silent: a blackhole rule ahead of the local table, so the
# kernel neither loops a request to it back nor answers it.
sandbox_silent=127.0.0.11
sandbox_here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# A prefix of its own (build/$sandbox_name-prefix, the name set before sourcing this file): its
# wineserver must be one started in the namespace, as the sockets the programs open are the
# wineserver's; two runs at once each need their own.
export TK_WINEPREFIX=$sandbox_here/build/${sandbox_name:-bench}-prefix
. "$sandbox_here/scripts/wine-env"
sandbox_pids=()
sandbox_prefixes=()

sandbox_enter() {
  [ -n "${TK_SANDBOX_INSIDE:-}" ] && return 0
  [ "$(id -u)" -eq 0 ] || { echo "$(basename "$1"): needs root (network namespace, raw ICMP)" >&2; exit 1; }
  TK_SANDBOX_INSIDE=1 exec unshare -n "$@"
}

sandbox_down() {
  local prefix
  for prefix in "${sandbox_prefixes[@]}"; do
    WINEPREFIX=$prefix "$tk_wineserver" -k 2>/dev/null || true
  done
  for p in "${sandbox_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}

sandbox_up() {
  ip link set lo up
  ip rule add pref 5 table local
  ip rule del pref 0
  ip rule add pref 1 to "$sandbox_silent/32" blackhole
  "$sandbox_here/scripts/wine-prefix"
  trap sandbox_down EXIT
  trap 'exit 130' INT TERM
  sandbox_wine
  export DISPLAY=$sandbox_display
}

# An X server on a free display and the wineserver of the prefix WINEPREFIX names, warmed up
# with wineboot; sandbox_down ends both. The display's name in sandbox_display, the X server's
# process in sandbox_x.
sandbox_wine() {
  sandbox_prefixes+=("$WINEPREFIX")
  local n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  sandbox_x=$!
  sandbox_pids+=($sandbox_x)
  sandbox_display=":$n"
  for _ in $(seq 100); do DISPLAY=:$n xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  "$tk_wineserver" -p
  DISPLAY=:$n "$sandbox_here/scripts/wine-run" wineboot </dev/null >/dev/null 2>&1 || true
}

sandbox_second() {
  local first=$TK_WINEPREFIX first_display=$sandbox_display first_x=$sandbox_x
  export TK_WINEPREFIX=$sandbox_here/build/$1-prefix WINEPREFIX=$sandbox_here/build/$1-prefix
  "$sandbox_here/scripts/wine-prefix"
  sandbox_wine
  sandbox_second_prefix=$WINEPREFIX sandbox_second_display=$sandbox_display
  sandbox_second_x=$sandbox_x
  sandbox_display=$first_display sandbox_x=$first_x
  export TK_WINEPREFIX=$first WINEPREFIX=$first
}
