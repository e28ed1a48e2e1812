# 32-bit ARM, hard float (Debian armhf): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(BREVANTA_TRIPLET arm-linux-gnueabihf)
set(BREVANTA_QEMU_CPU arm)
set(BREVANTA_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/CrossArm.cmake)
