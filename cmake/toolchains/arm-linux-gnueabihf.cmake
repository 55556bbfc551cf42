# 32-bit ARM (armhf: ARMv7, hard float) Linux: Debian's arm-linux-gnueabihf cross compilers,
# tests under qemu-arm. Debian's armhf libraries use a 32-bit time_t, so nothing here asks for
# _TIME_BITS=64: our objects must agree with theirs on every struct that holds a time.
set(ORV_CROSS_TRIPLET arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(ORV_CROSS_EMULATOR /usr/bin/qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
