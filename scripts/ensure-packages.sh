# Sourced by run.sh and test.sh: installs the Debian packages given as
# arguments that are not installed yet, through sudo when not root.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Both Qt versions: the build takes Qt 6 when it is there, test.sh builds both.
BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
    libqt6sql6-sqlite qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libqt5network5 zlib1g-dev
    fonts-dejavu-core ca-certificates)

# The Windows build (scripts/windows/): cross compiler, Wine to run its tests, NSIS, the zip.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 wine64 nsis zip xz-utils python3)
