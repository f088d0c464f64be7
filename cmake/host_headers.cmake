# Header-only packages for the Windows cross build: an interface target whose
# include folder holds only a copy of one folder of the host's headers (never
# the rest of the host's /usr/include). Called from a package file found by
# find_package; sets <package>_FOUND for it.
function(host_header_package package target host_include folder header)
  if(NOT EXISTS "${host_include}/${folder}/${header}")
    set(${package}_FOUND FALSE PARENT_SCOPE)
    set(${package}_NOT_FOUND_MESSAGE "${folder}/${header} not found in ${host_include}" PARENT_SCOPE)
    return()
  endif()
  set(copy "${CMAKE_BINARY_DIR}/${folder}-include")
  file(COPY "${host_include}/${folder}" DESTINATION "${copy}")
  if(NOT TARGET ${target})
    add_library(${target} INTERFACE IMPORTED)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${copy}")
  endif()
  set(${package}_FOUND TRUE PARENT_SCOPE)
endfunction()
