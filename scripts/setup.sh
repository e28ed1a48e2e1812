#!/bin/sh
# Installs what the project needs from Debian's packages, once. clang and libclang-rt-dev (the
# sanitizer and libFuzzer runtimes) serve the fuzz build only; Boost (Beast and Asio) and
# OpenSSL build tavrelin-web; chromium, chromium-driver and python3-selenium run its test in a
# real browser, and openssl makes that test's certificate. The last line makes and checks the
# Debian packages: man pages (scdoc), icons (icoutils), CPack's dependencies (dpkg-dev, file),
# and the tools the package tests run (lintian, desktop-file-validate, systemd-analyze, which
# reads the man page a unit names). lld links every build faster.
set -eu

packages="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev googletest iproute2
    libfreetype-dev libfontconfig1-dev libx11-dev libxext-dev libxtst-dev libxrandr-dev
    libdrm-dev libinput-dev libudev-dev libseat-dev
    zlib1g-dev libpng-dev fonts-wine fonts-dejavu-core xvfb xauth x11-utils
    clang libclang-rt-dev libboost-dev libssl-dev chromium chromium-driver python3-selenium
    openssl lld
    scdoc icoutils dpkg-dev file lintian desktop-file-utils systemd man-db adduser"

# Installed for this machine's architecture (or for all): with ARM builds set up, a library's
# -dev package may be there for another architecture only.
native=$(dpkg --print-architecture)
missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status} ${Architecture}\n' "$package" 2>/dev/null |
        grep -Eq "install ok installed ($native|all)$"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    echo "Installing:$missing"
    # An index a mirror is still syncing (seen for a foreign architecture's security updates)
    # fails the update; apt then keeps the lists it had, which serve the installs here.
    $sudo apt-get update || echo "setup: some package lists could not be refreshed; using those at hand"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
