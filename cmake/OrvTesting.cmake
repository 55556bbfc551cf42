# Test registration helpers. Every C++ suite is one GoogleTest executable registered with ctest
# under one or more labels, so `ctest -L <label>` runs one subsystem.
find_package(GTest REQUIRED)

# orv_add_gtest(NAME <name> LABELS <label>... SOURCES <src>... [LIBS <lib>...]
#               [ENVIRONMENT <VAR=value>...] [LAUNCHER <cmd>...] [TIMEOUT <seconds>])
# The executable links the test support library, whose main() gives the process a private
# properties file, so suites never see each other's properties.
function(orv_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "LABELS;SOURCES;LIBS;ENVIRONMENT;LAUNCHER" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} orv_test_support GTest::gtest GTest::gmock)
  orv_strict_warnings(${T_NAME})
  # Cross builds run the program under CMAKE_CROSSCOMPILING_EMULATOR (qemu-user). Variables for
  # the program's own loader (LD_PRELOAD, LD_LIBRARY_PATH) go to the emulated process through
  # qemu's -E: set in qemu's environment they would reach the host loader that starts qemu.
  # The program also links orv_qemu_ioctl (tests/support) last, for the kernel's answers to
  # ioctls that qemu does not forward: last, so that the simulated camera's ioctl, linked or
  # preloaded, comes before it in the symbol search order and forwards to it.
  set(_emulator)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set(_env)
    set(_emulator_env)
    foreach(var IN LISTS T_ENVIRONMENT)
      if(var MATCHES "^LD_")
        list(APPEND _emulator_env -E "${var}")
      else()
        list(APPEND _env "${var}")
      endif()
    endforeach()
    set(_emulator ${CMAKE_CROSSCOMPILING_EMULATOR} ${_emulator_env})
    set(T_ENVIRONMENT ${_env})
    target_link_libraries(${T_NAME} PRIVATE -Wl,--no-as-needed orv_qemu_ioctl -Wl,--as-needed)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_LAUNCHER} ${_emulator} $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()

# orv_add_export_check(<shared library target> <expected-symbols file> [LABELS <label>...])
# A test that fails when the library's dynamic symbol table defines anything but the expected
# names (cmake/check-exports.sh). The target's own nm reads it, so cross builds check too.
function(orv_add_export_check target expected)
  cmake_parse_arguments(E "" "" "LABELS" ${ARGN})
  add_test(NAME ${target}_exports
    COMMAND ${ORV_CHECK_EXPORTS} ${CMAKE_NM} $<TARGET_FILE:${target}> ${expected})
  set_tests_properties(${target}_exports PROPERTIES LABELS "${E_LABELS};exports")
endfunction()
set(ORV_CHECK_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/check-exports.sh)
