# What cmake --install puts under CMAKE_INSTALL_PREFIX, in two components: "camera", libvistara
# with its public headers (include/vistara, installed by each layer, see OrvCameraLayers.cmake,
# and the maker's USB ids they include) and a pkg-config file, so that a C program builds with
# `cc prog.c $(pkg-config --cflags --libs vistara)`; "audio", libsonora (its interface is the
# Java natives).
install(TARGETS vistara LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT camera)
install(FILES ${PROJECT_SOURCE_DIR}/camera_device/ids/orv_usb_ids.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vistara COMPONENT camera)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vistara.pc.in ${PROJECT_BINARY_DIR}/vistara.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vistara.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT camera)
install(TARGETS sonora LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT audio)
