# 64-bit ARM (Debian arm64): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(BREVANTA_TRIPLET aarch64-linux-gnu)
set(BREVANTA_QEMU_CPU aarch64)
set(BREVANTA_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/CrossArm.cmake)
