# What cmake --install puts under CMAKE_INSTALL_PREFIX, in two components: "camera", libvistara
# with its public headers (include/vistara, installed by each layer, see OrvCameraLayers.cmake,
# and the maker's USB ids they include) and a pkg-config file, so that a C program builds with
# `cc prog.c $(pkg-config --cflags --libs vistara)`; "audio", libsonora (its interface is the
# Java natives). On Linux the host stand-ins the libraries load (system properties, OpenSL ES)
# go beside them, found through $ORIGIN, and Debian's liblog through its own folder.
set(_libs vistara)
set(_audio sonora)
if(NOT ANDROID)
  list(APPEND _libs hostprops)
  list(APPEND _audio OpenSLES)
  set_target_properties(vistara sonora hostprops OpenSLES PROPERTIES
    INSTALL_RPATH "\$ORIGIN;/usr/lib/${ORV_MULTIARCH}/android")
endif()
install(TARGETS ${_libs} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT camera)
install(FILES ${PROJECT_SOURCE_DIR}/camera_device/ids/orv_usb_ids.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vistara COMPONENT camera)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vistara.pc.in ${PROJECT_BINARY_DIR}/vistara.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vistara.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT camera)
install(TARGETS ${_audio} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT audio)
