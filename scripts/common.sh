# Shared by setup.sh, demo.sh and test.sh; sourced, not run.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Debian's python3 must come first: ament_package and the rosidl generators
# are installed for it, and another python3 (pyenv, venv) may shadow it.
export PATH="/usr/bin:/bin:${PATH}"

# Everything the build, the tests and the demo take from Debian 12.
DEBIAN_PACKAGES=(
  g++ cmake make binutils
  python3 python3-dev python3-setuptools python3-ament-package
  ament-cmake ament-cmake-core ament-cmake-python
  rosidl-cmake rosidl-generator-c-cpp
  librosidl-runtime-c-cpp-dev librosidl-typesupport-interface-dev
  librosidl-typesupport-introspection-c-cpp-dev
  librcutils-dev librcpputils-dev libfastcdr-dev
  colcon python3-colcon-core python3-colcon-cmake python3-colcon-ros
  python3-colcon-library-path python3-colcon-recursive-crawl
  libgtest-dev libbenchmark-dev libfastrtps-dev cyclonedds-dev cyclonedds-tools
  clang-14 libclang-rt-14-dev valgrind
  pkg-config libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libcli11-dev
  libzstd-dev liblz4-dev zlib1g-dev libsqlite3-dev libyaml-cpp-dev libboost-dev ffmpeg
  chromium  # the browser viewer's tests
  gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-good gstreamer1.0-plugins-bad python3-gi  # the tests' RTSP camera
  iproute2 nftables  # the tests' faulty network
)

ensure_dependencies() {
  local missing=()
  for package in "${DEBIAN_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing from Debian: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# The tests' independent readers and writers in JavaScript (test/js): Node.js
# and npm from Debian unless a Node.js is installed already, the packages at
# the versions test/js/package-lock.json pins, from the npm registry.
ensure_test_readers() {
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "Installing from Debian: nodejs npm"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
  fi
  if ! (cd "$ROOT/test/js" && npm ls --silent >/dev/null 2>&1); then
    (cd "$ROOT/test/js" && npm ci --no-audit --no-fund --loglevel=error)
  fi
}

# Builds the dependency stand-ins and the package into $ROOT/install.
build_workspace() {
  (cd "$ROOT" && colcon --log-base "$ROOT/build/colcon-log" build \
    --base-paths "$ROOT/stand_ins" "$ROOT" \
    --build-base "$ROOT/build/colcon" --install-base "$ROOT/install" \
    --cmake-args -DPython3_EXECUTABLE=/usr/bin/python3 -DBUILD_TESTING=OFF)
}

use_workspace() {
  set +u
  # shellcheck disable=SC1091
  . "$ROOT/install/setup.sh"
  set -u
}

# The stand-ins only: builds of the package under test must load their own
# libraries, not installed ones (LD_LIBRARY_PATH would win over RUNPATH).
# Every install prefix of this package goes (its lib/ and Python folders),
# this tree's and any other that a sourced setup script chained in.
use_stand_ins() {
  use_workspace
  without_package() { printf '%s' "$1" | tr ':' '\n' | grep -Ev '/orvane_h26x_msgs(/lib(/.*)?)?$' | paste -sd: -; }
  LD_LIBRARY_PATH="$(without_package "${LD_LIBRARY_PATH:-}")"
  CMAKE_PREFIX_PATH="$(without_package "${CMAKE_PREFIX_PATH:-}")"
  AMENT_PREFIX_PATH="$(without_package "${AMENT_PREFIX_PATH:-}")"
  PYTHONPATH="$(without_package "${PYTHONPATH:-}")"
  export LD_LIBRARY_PATH CMAKE_PREFIX_PATH AMENT_PREFIX_PATH PYTHONPATH
}
