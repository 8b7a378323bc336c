#!/bin/sh
# install_consumer.sh BUILD_DIR WORK_DIR CONSUMER_SOURCE CXX CC ["FLAGS"]
# Installs BUILD_DIR into WORK_DIR/prefix, builds the consumers there (a C++ program on the SDK, a
# C program on the camera control library) with CMake's find_package and with pkg-config, runs
# them and checks what they print. With KY_CONSUMER_PYTHON (the interpreter the module is built
# for; KY_CONSUMER_PRELOAD what it must preload in a sanitizer build), also imports the Python
# module from the installed tree, and checks that an install to /usr/local and one to /usr (under
# DESTDIR) put it in a folder on that interpreter's path. Opens no socket. The SDK consumer connects
# to a USB3 Vision camera declared in KY_U3V_SIM: the installed device library loads the installed
# soft device library for it.
set -eu
build=$1 work=$2 source=$3 cxx=$4 cc=$5 flags=${6:-}
python=${KY_CONSUMER_PYTHON:-} preload=${KY_CONSUMER_PRELOAD:-}
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

[ -n "$python" ] || exit 0

# The module imports from the tree it was installed in, and takes the SDK's libraries from there.
# $1: the installed tree (for the libraries), $2: the module's folder.
import_module() {
  output=$(env PYTHONPATH="$2" PYTHONDONTWRITEBYTECODE=1 ${preload:+LD_PRELOAD="$preload"} \
           ASAN_OPTIONS=detect_leaks=0 "$python" -c '
import sys
import tavro_python as ky
libraries = {line.split()[-1] for line in open("/proc/self/maps") if "libKyBase.so" in line}
print("module:", ky.KyResult(ky.KY_TIMEOUT).GetCodeString())
print("libraries:", "installed" if libraries and all(p.startswith(sys.argv[1]) for p in libraries) else libraries)
' "$1")
  want='module: KY_TIMEOUT
libraries: installed'
  if [ "$output" != "$want" ]; then
    echo "unexpected output of the module installed in $2:"; echo "$output"; exit 1
  fi
  echo "the module in $2 imports, with the libraries of $1"
}

# A prefix of no interpreter: the module goes to the interpreter's own layout there, and
# PYTHONPATH names it.
module=$(find "$prefix" -name tavro_python.py -exec dirname {} \;)
[ -n "$module" ] || { echo "no tavro_python.py under $prefix"; exit 1; }
import_module "$prefix" "$module"

# The interpreter's own prefixes: the folder, as it will be once installed, is on its path.
for system_prefix in /usr/local /usr; do
  dest=$work/dest$(echo "$system_prefix" | tr / -)
  rm -rf "$dest"
  DESTDIR=$dest cmake --install "$build" --prefix "$system_prefix" >"$dest.log"
  module=$(find "$dest" -name tavro_python.py -exec dirname {} \;)
  [ -n "$module" ] || { echo "no tavro_python.py under $dest"; exit 1; }
  installed=${module#"$dest"}
  if ! "$python" -c 'import sys; sys.exit(sys.argv[1] not in sys.path)' "$installed"; then
    echo "--prefix $system_prefix put the module in $installed, which is not on $python's path"; exit 1
  fi
  echo "--prefix $system_prefix puts the module in $installed, on $python's path"
  import_module "$dest$system_prefix" "$module"
  rm -rf "$dest"
done
