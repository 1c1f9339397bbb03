# Fails when a source of the protocol library includes a Qt header: the
# library is built and tested without any window toolkit.
file(GLOB_RECURSE sources ${SOURCE_DIR}/intp/*.h ${SOURCE_DIR}/intp/*.cpp)
foreach(source ${sources})
  file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
  if(includes)
    message(FATAL_ERROR "${source} includes Qt: ${includes}")
  endif()
endforeach()
message(STATUS "The protocol library includes no Qt header")
