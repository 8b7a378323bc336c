#!/bin/sh
# install_consumer.sh BUILD_DIR WORK_DIR CONSUMER_SOURCE CXX CC ["FLAGS"]
# Installs BUILD_DIR into WORK_DIR/prefix, builds the consumers there (a C++ program on the SDK, a
# C program on the camera control library) with CMake's find_package and with pkg-config, runs
# them and checks what they print. Opens no socket. The SDK consumer connects to a USB3 Vision
# camera declared in KY_U3V_SIM: the installed device library loads the installed soft device
# library for it.
set -eu
build=$1 work=$2 source=$3 cxx=$4 cc=$5 flags=${6:-}
prefix=$work/prefix

rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

expected='result: KY_TIMEOUT
record: copy made
control port: 3956
system: 0 interfaces before Find
usb3 vision: KY_OK Installed'
printf '00C0FFEE00C5 model=Installed serial=INST-1\n' >"$work/u3v_devices.txt"
export KY_U3V_SIM="$work/u3v_devices.txt"

camctrl_expected='before init: -1038 false (The system has not been initialized.)
after init: 0 true (No connectable devices.)
free: 0'

check() {
  output=$("$@")
  want=$expected
  case "${1##*/}" in camctrl*) want=$camctrl_expected ;; esac
  if [ "$output" != "$want" ]; then
    echo "unexpected output of $*:"; echo "$output"; exit 1
  fi
  echo "$* ran as expected"
}

# CMake: find_package(Ky COMPONENTS ...) from the installed package configuration.
cmake -S "$source" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
      -DCMAKE_BUILD_TYPE=Debug >"$work/cmake-configure.log"
cmake --build "$work/cmake" >"$work/cmake-build.log"
check "$work/cmake/consumer"
check "$work/cmake/camctrl_consumer"

# pkg-config: the .pc files of the installed tree, nothing else on the path.
libdir=$(find "$prefix" -name ky-system.pc -exec dirname {} \;)
export PKG_CONFIG_PATH="$libdir" PKG_CONFIG_LIBDIR="$libdir:/usr/lib/x86_64-linux-gnu/pkgconfig:/usr/share/pkgconfig"
pc_libdir=$(pkg-config --variable=libdir ky-system)
# shellcheck disable=SC2046,SC2086
"$cxx" -std=c++17 $flags -o "$work/consumer-pc" "$source/consumer.cpp" \
  $(pkg-config --cflags --libs ky-system ky-device ky-base) -Wl,-rpath,"$pc_libdir"
check "$work/consumer-pc"
# shellcheck disable=SC2046,SC2086
"$cc" -std=c99 -Wall -Wextra -Werror $flags -o "$work/camctrl_consumer-pc" "$source/camctrl_consumer.c" \
  $(pkg-config --cflags --libs bnkcamctrl) -Wl,-rpath,"$pc_libdir"
check "$work/camctrl_consumer-pc"
