# Compiler settings shared by every target of the project.

# Our own targets build with warnings as errors; third-party code never goes through this.
function(orv_strict_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wformat -Wformat-security -Wshadow -Wnon-virtual-dtor -Werror)
endfunction()

if(ORV_SANITIZE)
  string(REPLACE "," ";" _orv_sans "${ORV_SANITIZE}")
  set(_orv_san_flags -fsanitize=${ORV_SANITIZE} -fno-omit-frame-pointer)
  if("address" IN_LIST _orv_sans OR "undefined" IN_LIST _orv_sans)
    list(APPEND _orv_san_flags -fno-sanitize-recover=all)
  endif()
  add_compile_options(${_orv_san_flags})
  add_link_options(-fsanitize=${ORV_SANITIZE})
endif()
