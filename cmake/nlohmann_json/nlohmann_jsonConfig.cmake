# nlohmann JSON for the Windows cross build (see ../mingw-w64.cmake): an
# interface target whose include folder holds only a copy of the host's
# nlohmann headers.
set(NLOHMANN_HOST_INCLUDE "/usr/include" CACHE PATH "Folder that holds the host's nlohmann/json.hpp")
if(NOT EXISTS "${NLOHMANN_HOST_INCLUDE}/nlohmann/json.hpp")
  set(nlohmann_json_FOUND FALSE)
  set(nlohmann_json_NOT_FOUND_MESSAGE "nlohmann/json.hpp not found in ${NLOHMANN_HOST_INCLUDE} (install nlohmann-json3-dev)")
  return()
endif()
set(_nlohmann_copy "${CMAKE_BINARY_DIR}/nlohmann-include")
file(COPY "${NLOHMANN_HOST_INCLUDE}/nlohmann" DESTINATION "${_nlohmann_copy}")
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${_nlohmann_copy}")
endif()
set(nlohmann_json_FOUND TRUE)
