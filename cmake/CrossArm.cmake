# What the ARM toolchain files share: Debian's cross compiler for BREVANTA_TRIPLET, the target's
# own libraries from multiarch (/usr/lib/TRIPLET, headers in /usr/include and
# /usr/include/TRIPLET), and QEMU's user-mode emulation to run what the build and ctest start.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${BREVANTA_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${BREVANTA_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${BREVANTA_TRIPLET})
set(PKG_CONFIG_EXECUTABLE ${BREVANTA_TRIPLET}-pkg-config CACHE FILEPATH "pkg-config of the target")

# Host programs (scdoc, gzip, lld, python3) come from the host; libraries and headers only from
# the target's multiarch folders.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# Test discovery at build time and ctest run the target's programs through QEMU; the dynamic
# loader and libraries come from the multiarch root (/lib/ld-linux-*.so), so no -L is needed.
find_program(BREVANTA_QEMU_USER qemu-${BREVANTA_QEMU_CPU}-static)
if(BREVANTA_QEMU_USER)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${BREVANTA_QEMU_USER})
endif()

# GCC notes on ARM that an ABI of GCC 7 passed some types otherwise: nothing of ours crosses
# a library boundary compiled by an older GCC.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
