# The camera binding's JVM suites: libvistara's natives under -Xcheck:jni against the simulated
# camera (libsimcam preloaded into the JVM) and, for the USB natives, umockdev's simulated bus.
# The library reads the host's model and binds its natives once per JVM, so the runs that
# change either have a JVM of their own.
if(NOT ORV_BUILD_TESTS)
  return()
endif()

# The Java classes on their own (no natives needed).
orv_add_junit_test(NAME java_camera_classes LABELS camera_jni
  CLASSES com.orv.camera.ParameterTest)

# Test-only JNI libraries: the simulated camera's test API and the Android log capture; the
# simulated USB bus.
add_library(orvcamtestjni SHARED testjni/simcam_jni.cpp testjni/log_capture_jni.cpp)
target_link_libraries(orvcamtestjni PRIVATE simcam orv::log orv::jni)
orv_strict_warnings(orvcamtestjni)
add_library(orvusbtestjni SHARED testjni/usb_bus_jni.cpp)
target_link_libraries(orvusbtestjni PRIVATE orv_sim_usb_bus orv::jni)
orv_strict_warnings(orvusbtestjni)

set(_simcam "LD_PRELOAD=$<TARGET_FILE:simcam>")

orv_add_junit_test(NAME java_camera LABELS camera_jni ENVIRONMENT ${_simcam}
  CLASSES com.orv.camera.CameraDeviceTest com.orv.camera.DiscoveryTest)
# Every node keeps unit 12 on other hosts; "/dev/video1" uses 13 on an "R5Q" host.
orv_add_junit_test(NAME java_camera_unit_default LABELS camera_jni ENVIRONMENT ${_simcam}
  JVM_ARGS -Dorv.test.model=X1
  CLASSES com.orv.camera.UnitSelectionTest)
orv_add_junit_test(NAME java_camera_unit_r5q LABELS camera_jni ENVIRONMENT ${_simcam}
  CLASSES com.orv.camera.UnitSelectionTest)
orv_add_junit_test(NAME java_camera_usb LABELS camera_jni
  ENVIRONMENT LD_PRELOAD=libumockdev-preload.so.0
  CLASSES com.orv.camera.UsbNativesTest)

# Stand-ins for the product's ORVVideoDevice, each first on the class path of its own run.
foreach(variant no_get_parameter missing_native)
  file(GLOB _sources ${CMAKE_CURRENT_SOURCE_DIR}/src/test/variants/${variant}/com/orv/camera/*.java)
  add_jar(orv_java_${variant} SOURCES ${_sources}
    INCLUDE_JARS orv_java orv_java_tests ${ORV_JUNIT_JAR} ${ORV_HAMCREST_JAR}
    OUTPUT_NAME orv-variant-${variant})
endforeach()
orv_add_junit_test(NAME java_camera_no_get_parameter LABELS camera_jni ENVIRONMENT ${_simcam}
  FIRST_JARS orv_java_no_get_parameter
  CLASSES com.orv.camera.NoGetParameterTest)
orv_add_junit_test(NAME java_camera_missing_native LABELS camera_jni
  FIRST_JARS orv_java_missing_native
  CLASSES com.orv.camera.MissingNativeTest)
