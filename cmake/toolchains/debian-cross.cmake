# Shared part of the Debian cross toolchains: the including file sets ORV_CROSS_TRIPLET,
# CMAKE_SYSTEM_PROCESSOR and ORV_CROSS_EMULATOR.
#
# There is no sysroot. The target's libraries are Debian's multiarch packages (pkg:arm64,
# pkg:armhf, see scripts/deps/foreign/) under /usr/lib/<triplet>, which the cross linker and
# CMake's find_* commands search once CMAKE_LIBRARY_ARCHITECTURE is set. Architecture-neutral
# headers come from /usr/include, which the cross compiler searches after its own C library;
# the few architecture-specific ones (x264_config.h, ...) from /usr/include/<triplet>, appended
# after everything else so they never shadow the cross C library.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${ORV_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ORV_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${ORV_CROSS_TRIPLET})
set(CMAKE_C_FLAGS_INIT "-idirafter /usr/include/${ORV_CROSS_TRIPLET}")
set(CMAKE_CXX_FLAGS_INIT "-idirafter /usr/include/${ORV_CROSS_TRIPLET}")

# pkg-config reads only the target's .pc files (and the architecture-neutral ones).
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${ORV_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# ctest runs every test program through qemu-user. Plain qemu, no -L: the program's
# interpreter /lib/ld-linux-*.so then comes from the target's libc6 package and loads that
# package's libc from /usr/lib/<triplet>, a matching pair. Pairing the cross toolchain's loader
# (/usr/<triplet>/lib) with the multiarch libc hangs in pthread_create or crashes.
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORV_CROSS_EMULATOR})
