# libvistara's layers: one object library per layer, each compiled against its own headers and
# the public headers of the layers below it, so that a layer including a header of a layer above
# it fails to build.
#
# orv_camera_layer(NAME <layer> SOURCES <src>... [PREFIX <dir>] [PUBLIC_HEADERS <h>...]
#                  [INTERNAL_HEADERS <h>...] [BELOW <layer>...] [LIBS <target>...])
# Publishes the layer's headers into the build tree, under their include names (<dir>/<h> with
# a PREFIX, <h> without):
#   include/<layer>/public    the PUBLIC_HEADERS: what the layers above (and libvistara's
#                             users) may include; carried by the layer's interface
#   include/<layer>/internal  every header of the layer: the layer's own sources and its tests
# and makes the object library orv_cam_<layer> (hidden visibility), which uses the layers
# BELOW and links LIBS. For the layer's tests and tools: orv_cam_<layer>_headers carries the
# layer's internal headers (for libraries of test helpers), orv_cam_<layer>_stack those and the
# objects of the layer and of every layer below it (for executables).
function(orv_camera_layer)
  cmake_parse_arguments(L "" "NAME;PREFIX" "SOURCES;PUBLIC_HEADERS;INTERNAL_HEADERS;BELOW;LIBS"
    ${ARGN})
  set(_root ${PROJECT_BINARY_DIR}/camera_device/include/${L_NAME})
  set(_sub "")
  if(L_PREFIX)
    set(_sub "/${L_PREFIX}")
  endif()
  foreach(_kind public internal)
    file(REMOVE_RECURSE ${_root}/${_kind})
    file(MAKE_DIRECTORY ${_root}/${_kind}${_sub})
  endforeach()
  foreach(_h IN LISTS L_PUBLIC_HEADERS)
    get_filename_component(_name ${_h} NAME)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${_h} ${_root}/public${_sub}/${_name}
      SYMBOLIC COPY_ON_ERROR)
  endforeach()
  # cmake --install: the public headers under include/vistara, by their include names.
  install(FILES ${L_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vistara${_sub}
    COMPONENT camera)
  foreach(_h IN LISTS L_PUBLIC_HEADERS L_INTERNAL_HEADERS)
    get_filename_component(_name ${_h} NAME)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${_h} ${_root}/internal${_sub}/${_name}
      SYMBOLIC COPY_ON_ERROR)
  endforeach()

  set(_target orv_cam_${L_NAME})
  add_library(${_target} OBJECT ${L_SOURCES})
  target_include_directories(${_target} PRIVATE ${_root}/internal INTERFACE ${_root}/public)
  set(_below)
  foreach(_layer IN LISTS L_BELOW)
    list(APPEND _below orv_cam_${_layer})
  endforeach()
  target_link_libraries(${_target} PUBLIC ${_below} ${L_LIBS})
  set_target_properties(${_target} PROPERTIES CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  orv_strict_warnings(${_target})

  # The objects of this layer and of the layers below it, for executables that link them.
  set(_objects ${_target})
  foreach(_layer IN LISTS L_BELOW)
    get_target_property(_lower orv_cam_${_layer}_stack ORV_LAYER_OBJECTS)
    list(APPEND _objects ${_lower})
  endforeach()
  list(REMOVE_DUPLICATES _objects)
  add_library(${_target}_headers INTERFACE)
  target_include_directories(${_target}_headers INTERFACE ${_root}/internal)
  target_link_libraries(${_target}_headers INTERFACE ${_target})
  add_library(${_target}_stack INTERFACE)
  set_target_properties(${_target}_stack PROPERTIES ORV_LAYER_OBJECTS "${_objects}")
  foreach(_obj IN LISTS _objects)
    target_sources(${_target}_stack INTERFACE $<TARGET_OBJECTS:${_obj}>)
  endforeach()
  target_link_libraries(${_target}_stack INTERFACE ${_target}_headers)
endfunction()
