# What both shared libraries use to keep their users to their public headers and their dynamic
# symbols to one list.
#
# orv_publish_headers(ROOT <dir> [PREFIX <dir>] [PUBLIC_HEADERS <h>...] [INTERNAL_HEADERS <h>...])
# Publishes headers of the current source folder into the build tree, under their include names
# (<prefix>/<h> with a PREFIX, <h> without), as links to the sources:
#   <ROOT>/public    the PUBLIC_HEADERS: what the library's users may include
#   <ROOT>/internal  every header: the library's own sources and the tests of its internals
# A target compiles PRIVATE against internal and carries public in its INTERFACE, so a user that
# includes an internal header does not build.
function(orv_publish_headers)
  cmake_parse_arguments(H "" "ROOT;PREFIX" "PUBLIC_HEADERS;INTERNAL_HEADERS" ${ARGN})
  set(_sub "")
  if(H_PREFIX)
    set(_sub "/${H_PREFIX}")
  endif()
  foreach(_kind public internal)
    file(REMOVE_RECURSE ${H_ROOT}/${_kind})
    file(MAKE_DIRECTORY ${H_ROOT}/${_kind}${_sub})
  endforeach()
  foreach(_h IN LISTS H_PUBLIC_HEADERS)
    get_filename_component(_name ${_h} NAME)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${_h} ${H_ROOT}/public${_sub}/${_name}
      SYMBOLIC COPY_ON_ERROR)
  endforeach()
  foreach(_h IN LISTS H_PUBLIC_HEADERS H_INTERNAL_HEADERS)
    get_filename_component(_name ${_h} NAME)
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${_h} ${H_ROOT}/internal${_sub}/${_name}
      SYMBOLIC COPY_ON_ERROR)
  endforeach()
endfunction()

# orv_export_only(<shared library target> <exports file> [LABELS <label>...])
# The library's dynamic symbols are the names of the exports file (one a line, '#' starts a
# comment) and nothing else: the version script is made from that file at configure time, and
# with tests on, a ctest (label `exports`) holds `nm -D` of the built library to the same file.
function(orv_export_only target exports)
  cmake_parse_arguments(E "" "" "LABELS" ${ARGN})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${exports})
  file(STRINGS ${exports} _names REGEX "^[A-Za-z_]")
  list(JOIN _names ";\n    " _global)
  set(_map ${CMAKE_CURRENT_BINARY_DIR}/lib${target}.map)
  file(CONFIGURE OUTPUT ${_map} CONTENT "{\n  global:\n    ${_global};\n  local:\n    *;\n};\n")
  target_link_options(${target} PRIVATE "LINKER:--version-script=${_map}")
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${_map})
  if(ORV_BUILD_TESTS)
    orv_add_export_check(${target} ${exports} LABELS ${E_LABELS})
  endif()
endfunction()
