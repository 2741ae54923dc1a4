#!/usr/bin/env bash
# Sets up, builds and runs the plug-in on a fresh Debian machine.
#   ./build.sh          build both targets into dist/ and run the host simulator on the sample
#   ./build.sh build    build both targets into dist/ and start nothing (no root needed)
#   ./build.sh test     build both targets and run the tests under Wine
#   ./build.sh sim VERB run one host-simulator scenario (see: ./build.sh sim help)
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-run}
case "$mode" in
  run|build|test|sim) ;;
  *) echo "usage: ./build.sh [run | build | test | sim VERB]" >&2; exit 2 ;;
esac
# The simulator and the tests talk to printers on the loopback inside a network namespace of
# their own (see in_loopback_ns below), which needs root.
if [ "$(id -u)" -ne 0 ] && [ "$mode" != build ]; then
  echo "build.sh: the simulator and the tests run in a network namespace of their own (unshare -nm)," >&2
  echo "          which needs root: sudo ./build.sh $*; ./build.sh build builds without it" >&2
  exit 1
fi

# One run at a time: two would build into the same trees, and each run ends the Wine servers
# of the prefixes it uses before it starts (a picture run at one display scale would end one at
# another). A second run waits for the first; flock keeps the lock itself, so that nothing the
# run starts (a Wine server that outlives it) holds it.
if [ -z "${KV_BUILD_LOCKED:-}" ]; then
  mkdir -p build
  export KV_BUILD_LOCKED=1
  flock -n -o build/.lock true || echo "build.sh: waiting for another ./build.sh run to end" >&2
  exec flock -o build/.lock bash "$PWD/$(basename "$0")" "$@"
fi

packages=(cmake make mingw-w64 wine64 googletest snmpd cups-ipp-utils avahi-daemon dbus)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  # Nothing installed here is started as a system service (avahi-daemon, dbus, snmpd would be):
  # the tests and the simulator start private daemons of their own. A policy-rc.d that denies
  # every start does that for the time of the installation, unless the machine has one.
  policy=/usr/sbin/policy-rc.d own_policy=
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $sudo_cmd tee "$policy" >/dev/null && $sudo_cmd chmod 755 "$policy"
    own_policy=1; trap '$sudo_cmd rm -f "$policy"' EXIT
  fi
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
  if [ -n "$own_policy" ]; then $sudo_cmd rm -f "$policy"; trap - EXIT; fi
fi

jobs=$(nproc)
# What a maker ships: the DLLs stripped, each with its symbols beside it in a .debug file
# that a debugger finds through the DLL's debug link.
ship() {  # arch toolchain
  local dll
  for dll in kvpsui.dll kvpsuN.dll; do
    (cd "dist/$1" &&
     "$2-w64-mingw32-objcopy" --only-keep-debug "$dll" "$dll.debug" &&
     "$2-w64-mingw32-strip" --strip-all "$dll" &&
     "$2-w64-mingw32-objcopy" --add-gnu-debuglink="$dll.debug" "$dll")
  done
}
# The trees are configured once (the x64 tree with its tests, so that switching between
# running and testing changes nothing); CMake configures again by itself when its files change.
# Only the test mode builds the tests.
build() {  # arch toolchain tests
  if ! grep -q "^KV_BUILD_TESTS:BOOL=$3$" "build/$1/CMakeCache.txt" 2>/dev/null; then
    cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS="$3" >/dev/null
  fi
  if [ "$mode" = test ] && [ "$3" = ON ]; then
    cmake --build "build/$1" -j"$jobs"
  else
    cmake --build "build/$1" -j"$jobs" --target kvpsui kvpsuN hostsim kvcheck kvprobe
  fi
  mkdir -p "dist/$1"
  cp build/"$1"/bin/kvpsui.dll build/"$1"/bin/kvpsuN.dll build/"$1"/bin/hostsim.exe \
     build/"$1"/bin/kvcheck.exe build/"$1"/bin/kvprobe.exe "dist/$1/"
  ship "$1" "$2"
  rm -rf "dist/$1/samples" && cp -r samples "dist/$1/samples"
}

# 32-bit programs cannot run on these machines: the x86 build is built, not run.
build x86 i686 OFF
build x64 x86_64 ON
echo "== Plug-in built: dist/x64/kvpsui.dll, dist/x86/kvpsui.dll"
# Each sample's driver package, both architectures in one, ready to sign; and the policy
# templates an administrator adds to the central store.
for model in samples/*/; do
  model=$(basename "$model")
  tools/make-package "samples/$model" "dist/packages/$model" --amd64 dist/x64 --x86 dist/x86
done
rm -rf dist/policies && cp -r policy dist/policies

# The simulator and the tests run with their printers (SNMP agents, IPP printers and the IPP
# printers' D-Bus and Avahi daemons) in a network namespace of their own where only the
# loopback is up, so that nothing they start can send a packet beyond this machine. Wine makes
# its programs' sockets in the wineserver, so the prefix's server must start in there too: a
# server of the prefix still running outside is ended first (and with it any Wine program of
# that prefix). The mount namespace keeps what is mounted inside (Avahi's run directory) out
# of the machine's. The loopback gets 127.0.0.2 as an address of its own (Wine binds only
# the addresses of interfaces), so that a test can answer from a second address.
prefix=$PWD/build/x64/wineprefix
in_loopback_ns() {  # COMMAND [ARGS...]: a program, or a function exported with export -f
  local each
  for each in "$prefix" "$prefix"-dpi*; do  # the prefixes of other display scales too
    [ -d "$each" ] || continue
    WINEPREFIX=$each /usr/lib/wine/wineserver -k 2>/dev/null || true
    WINEPREFIX=$each /usr/lib/wine/wineserver -w 2>/dev/null || true
  done
  unshare -nm --propagation private bash -c \
    'PATH=$PATH:/usr/sbin:/sbin; ip link set lo up && ip addr add 127.0.0.2/32 dev lo || exit 1; "$@"' in_loopback_ns "$@"
}

# Inside the namespace: the simulator's printer answers over SNMP from a local agent and over
# IPP from a local ippeveprinter, both playing the sample printer, for as long as the verb runs
# (a long soak takes hours); the trap stops them. Their ports are in KV_SIM_AGENT_PORT and
# KV_SIM_PRINTER_PORT. "--dpi N" among the arguments runs the simulator at that display
# scale; "access" without one runs at 96, 120, 144 and 192 dots per inch and adds up.
sim_with_printer() {  # HOSTSIM_ARGS...
  trap 'tools/ipp-printers stop build/x64/sim-printer; tools/snmp-agents stop build/x64/sim-agent' EXIT
  SNMP_AGENTS_SECONDS=86400 tools/snmp-agents start build/x64/sim-agent \
    tools/hostsim/sample-printer.conf >/dev/null || return 1
  IPP_PRINTERS_SECONDS=86400 tools/ipp-printers start build/x64/sim-printer \
    tools/hostsim/sample-printer.attrs >/dev/null || return 1
  KV_SIM_AGENT_PORT=$(sed -n 's/^sample-printer=\([0-9]*\).*/\1/p' build/x64/sim-agent/agents.ini)
  KV_SIM_PRINTER_PORT=$(sed -n 's/^sample-printer=\([0-9]*\).*/\1/p' build/x64/sim-printer/printers.ini)
  export KV_SIM_AGENT_PORT KV_SIM_PRINTER_PORT
  local args=() dpi=
  while [ $# -gt 0 ]; do
    if [ "$1" = --dpi ] && [ $# -gt 1 ]; then dpi=$2; shift 2; else args+=("$1"); shift; fi
  done
  if [ -n "$dpi" ] || [ "${args[0]:-}" != access ]; then
    tools/wine-run --dpi "${dpi:-96}" "$PWD/build/x64/wineprefix" dist/x64/hostsim.exe "${args[@]}"
    return
  fi
  local scale rc=0 dialogs=0 findings=0 log
  log=$(mktemp)
  for scale in 96 120 144 192; do
    tools/wine-run --dpi "$scale" "$PWD/build/x64/wineprefix" dist/x64/hostsim.exe "${args[@]}" | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] || rc=1
    read -r d f < <(sed -n 's/^access: \([0-9]*\) dialogs, \([0-9]*\) findings.*/\1 \2/p' "$log" | tr -d '\r')
    dialogs=$((dialogs + ${d:-0})) findings=$((findings + ${f:-0}))
  done
  rm -f "$log"
  echo "access: $dialogs dialogs, $findings findings"
  return $rc
}
export -f sim_with_printer

case "$mode" in
  run) in_loopback_ns sim_with_printer all ;;
  sim) shift; in_loopback_ns sim_with_printer "$@" ;;
  test) cd build/x64 && in_loopback_ns ctest -j"$jobs" --output-on-failure --timeout 120 ;;
  build) ;;
esac
