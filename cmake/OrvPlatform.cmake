# Platform services the libraries link, the same names on Android and on Linux:
#   orv::log      Android's liblog (on Linux: Debian's android-liblog, writing to stderr)
#   orv::sysprop  __system_property_get (bionic on Android; our host stand-in on Linux)
#   orv::opensles libOpenSLES (the platform's on Android; our host layer on Linux)

add_library(orv_log INTERFACE)
add_library(orv_sysprop INTERFACE)
add_library(orv_opensles INTERFACE)

if(ANDROID)
  target_link_libraries(orv_log INTERFACE log)
  target_link_libraries(orv_opensles INTERFACE OpenSLES)
  # __system_property_get lives in bionic's libc: nothing to link.
else()
  set(ORV_MULTIARCH "${CMAKE_LIBRARY_ARCHITECTURE}")
  if(NOT ORV_MULTIARCH)
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-multiarch
      OUTPUT_VARIABLE ORV_MULTIARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  find_library(ORV_LIBLOG NAMES log
    PATHS /usr/lib/${ORV_MULTIARCH}/android NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  target_link_libraries(orv_log INTERFACE ${ORV_LIBLOG})
  target_include_directories(orv_log SYSTEM INTERFACE /usr/include/android)
  target_link_libraries(orv_sysprop INTERFACE hostprops)
  target_link_libraries(orv_opensles INTERFACE OpenSLES)
endif()

add_library(orv::log ALIAS orv_log)
add_library(orv::sysprop ALIAS orv_sysprop)
add_library(orv::opensles ALIAS orv_opensles)

# JNI headers only: a JNI library never links the VM. The host JDK's headers serve every
# Linux target; the NDK brings its own.
add_library(orv_jni INTERFACE)
if(NOT ANDROID)
  # The JDK that javac belongs to; its headers are the same for every Linux target.
  find_program(ORV_JAVAC javac REQUIRED)
  file(REAL_PATH "${ORV_JAVAC}" _orv_javac)
  get_filename_component(ORV_JDK_HOME "${_orv_javac}/../.." ABSOLUTE)
  find_path(ORV_JNI_INCLUDE jni.h PATHS ${ORV_JDK_HOME}/include NO_DEFAULT_PATH
    NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  target_include_directories(orv_jni SYSTEM INTERFACE ${ORV_JNI_INCLUDE} ${ORV_JNI_INCLUDE}/linux)
endif()
add_library(orv::jni ALIAS orv_jni)

# The maker's USB identifiers, shared by libvistara, the simulated camera and the tests.
add_library(orv_usb_ids INTERFACE)
target_include_directories(orv_usb_ids INTERFACE ${CMAKE_CURRENT_LIST_DIR}/../camera_device/ids)
if(ORV_USB_VENDOR_ID)
  target_compile_definitions(orv_usb_ids INTERFACE ORV_USB_VENDOR_ID=${ORV_USB_VENDOR_ID})
endif()
add_library(orv::usb_ids ALIAS orv_usb_ids)

# libusb-1.0, one imported target for the library and every suite and tool that talks USB.
if(ANDROID)
  # The NDK has no pkg-config: the app's build provides libusb-1.0 on its search paths.
  find_path(ORV_LIBUSB_INCLUDE libusb.h PATH_SUFFIXES libusb-1.0 REQUIRED)
  find_library(ORV_LIBUSB NAMES usb-1.0 usb1.0 REQUIRED)
  add_library(orv::libusb UNKNOWN IMPORTED)
  set_target_properties(orv::libusb PROPERTIES IMPORTED_LOCATION ${ORV_LIBUSB}
    INTERFACE_INCLUDE_DIRECTORIES ${ORV_LIBUSB_INCLUDE})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET GLOBAL libusb-1.0>=1.0.20)
  add_library(orv::libusb ALIAS PkgConfig::LIBUSB)
endif()
