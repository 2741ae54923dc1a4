#!/usr/bin/env bash
# Sets up, builds and runs the plug-in on a fresh Debian machine.
#   ./build.sh          build both targets into dist/ and run the host simulator on the sample
#   ./build.sh test     build both targets and run the tests under Wine
#   ./build.sh sim VERB run one host-simulator scenario (see: ./build.sh sim help)
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake make mingw-w64 wine64 googletest snmpd)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
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
build() {  # arch toolchain tests
  cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS="$3" >/dev/null
  cmake --build "build/$1" -j"$jobs"
  mkdir -p "dist/$1"
  cp build/"$1"/bin/kvpsui.dll build/"$1"/bin/kvpsuN.dll build/"$1"/bin/hostsim.exe "dist/$1/"
  ship "$1" "$2"
  rm -rf "dist/$1/samples" && cp -r samples "dist/$1/samples"
}

mode=${1:-run}
# 32-bit programs cannot run on these machines: the x86 build is built, not run.
build x86 i686 OFF
build x64 x86_64 "$([ "$mode" = test ] && echo ON || echo OFF)"
echo "== Plug-in built: dist/x64/kvpsui.dll, dist/x86/kvpsui.dll"

# The simulator's printer answers over SNMP from a local agent playing the sample printer,
# for as long as the verb runs (a long soak takes hours); the trap stops it.
sim_agent() {
  SNMP_AGENTS_SECONDS=86400 tools/snmp-agents start build/x64/sim-agent tools/hostsim/sample-printer.conf >/dev/null
  trap 'tools/snmp-agents stop build/x64/sim-agent' EXIT
  KV_SIM_AGENT_PORT=$(sed -n 's/^sample-printer=\([0-9]*\).*/\1/p' build/x64/sim-agent/agents.ini)
  export KV_SIM_AGENT_PORT
}

case "$mode" in
  run) sim_agent; tools/wine-run "$PWD/build/x64/wineprefix" dist/x64/hostsim.exe all ;;
  sim) shift; sim_agent; tools/wine-run "$PWD/build/x64/wineprefix" dist/x64/hostsim.exe "$@" ;;
  test) cd build/x64 && exec ctest -j"$jobs" --output-on-failure --timeout 120 ;;
  *) echo "usage: ./build.sh [run | test | sim VERB]" >&2; exit 2 ;;
esac
