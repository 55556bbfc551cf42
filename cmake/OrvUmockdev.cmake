# Running a test program on umockdev's simulated devices (the simulated USB bus of tests/usb).
#
# umockdev redirects /sys and /dev to a testbed through its preload library, which must be in
# the test process: give orv_add_gtest `LAUNCHER ${ORV_UMOCKDEV_LAUNCHER}` and
# `ENVIRONMENT ${ORV_UMOCKDEV_ENVIRONMENT}`.
#
# LD_PRELOAD order: a sanitizer runtime must come first in the process's library list (ASan
# refuses to start otherwise: "ASan runtime does not come first in initial library list"), so
# the sanitizer builds preload it ahead of umockdev's library:
#   LD_PRELOAD=<libasan.so | libtsan.so>:libumockdev-preload.so.0
# umockdev-wrapper puts its own library first, so it serves only the plain build.
# Native builds only: Debian's umockdev development package installs for one architecture.
# Included once per directory: the variables below belong to the including directory.
include_guard(DIRECTORY)

set(ORV_UMOCKDEV_PRELOAD libumockdev-preload.so.0)
set(_orv_san_runtime "")
if(ORV_SANITIZE MATCHES "address")
  set(_orv_san_runtime libasan.so)
elseif(ORV_SANITIZE MATCHES "thread")
  set(_orv_san_runtime libtsan.so)
endif()
if(_orv_san_runtime)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_orv_san_runtime}
    OUTPUT_VARIABLE _orv_san_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(ORV_UMOCKDEV_LAUNCHER env LD_PRELOAD=${_orv_san_path}:${ORV_UMOCKDEV_PRELOAD})
else()
  find_program(ORV_UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)
  set(ORV_UMOCKDEV_LAUNCHER ${ORV_UMOCKDEV_WRAPPER})
endif()

# Under ThreadSanitizer a test's environment replaces the preset's TSAN_OPTIONS: keep them and
# add the suppressions for umockdev's GLib worker thread (umockdev-tsan.supp).
set(ORV_UMOCKDEV_ENVIRONMENT "")
if(ORV_SANITIZE MATCHES "thread")
  set(ORV_UMOCKDEV_ENVIRONMENT
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${CMAKE_CURRENT_LIST_DIR}/umockdev-tsan.supp")
endif()
