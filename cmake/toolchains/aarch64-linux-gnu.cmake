# 64-bit ARM (arm64) Linux: Debian's aarch64-linux-gnu cross compilers, tests under qemu-aarch64.
set(ORV_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ORV_CROSS_EMULATOR /usr/bin/qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
