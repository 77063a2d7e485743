# Shell functions for scripts that run the tool against the simulator; source this file.

# Starts the simulator in the background and waits until it is ready:
#   ctlsim_start LOG FIFO SIM [ctlsim arguments...]
# Its output goes to LOG. With a FIFO (a path mkfifo made), the simulator reads its commands
# from it and this shell holds its write end open on descriptor 3: when the shell ends, however
# it ends, the simulator sees the end of its input and exits. With FIFO empty it runs with
# --no-stdin and the caller ends it (CTLSIM_PID). Non-zero, with the log on stderr, when the
# simulator did not become ready.
ctlsim_start() {
  local log=$1 fifo=$2 sim=$3 i
  shift 3
  # There before the first look for "ready" (the background job's redirection may come later).
  : >"$log"
  if [ -n "$fifo" ]; then
    "$sim" "$@" <"$fifo" >"$log" 2>&1 &
    CTLSIM_PID=$!
    exec 3>"$fifo"
  else
    "$sim" --no-stdin "$@" </dev/null >"$log" 2>&1 &
    CTLSIM_PID=$!
  fi
  for ((i = 0; i < 200; i++)); do
    grep -qx ready "$log" && return 0
    kill -0 "$CTLSIM_PID" 2>/dev/null || break
    sleep 0.05
  done
  grep -qx ready "$log" && return 0
  echo "the simulator did not start:" >&2
  cat "$log" >&2
  return 1
}

# Prints a settings file with COUNT network screens on 127.0.0.2, 127.0.0.3, ... port 5005:
#   loopback_settings COUNT NSEL TIMER BSTART
# GBK with CRLF line ends, as Windows writes it; the section names are "地址：N".
loopback_settings() {
  local count=$1 i
  printf '[CONT]\r\nScreenCount=%d\r\nnSel=%s\r\nTimer=%s\r\nbStart=%s\r\n' "$count" "$2" "$3" "$4"
  for ((i = 0; i < count; i++)); do
    printf '[\xB5\xD8\xD6\xB7\xA3\xBA%d]\r\n' "$i"
    printf 'CardType=21\r\nCardAddress=0\r\nCommunicationMode=1\r\nScreemHeight=32\r\n'
    printf 'ScreemWidth=64\r\nSerialBaud=57600\r\nSerialNum=1\r\nNetPort=5005\r\n'
    printf 'IpAddress0=127\r\nIpAddress1=0\r\nIpAddress2=0\r\nIpAddress3=%d\r\nColorStyle=1\r\n' \
      $((i + 2))
  done
}
