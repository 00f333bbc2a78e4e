# Shared by scripts/run and scripts/test: package installation and the build.
set -euo pipefail
T44_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Installs the Debian packages that are missing (as root, or through sudo).
t44_need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

T44_BUILD_PACKAGES=(g++ clang cmake ninja-build pkg-config libgtest-dev libgmock-dev googletest
    libbenchmark-dev qt6-base-dev libgl-dev xvfb xauth trayer fonts-dejavu-core)
# The kernel test boots Debian's kernel in qemu with a busybox initramfs.
T44_KERNEL_PACKAGES=(qemu-system-x86 linux-image-amd64 busybox-static cpio)

# t44_build DIR [cmake options...]: configure once, then build everything.
t44_build() {
    local dir="$1"; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$T44_ROOT" -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
