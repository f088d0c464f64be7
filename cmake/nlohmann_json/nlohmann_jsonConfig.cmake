# nlohmann JSON for the Windows cross build (see ../mingw-w64.cmake; install nlohmann-json3-dev).
set(NLOHMANN_HOST_INCLUDE "/usr/include" CACHE PATH "Folder that holds the host's nlohmann/json.hpp")
include("${CMAKE_CURRENT_LIST_DIR}/../host_headers.cmake")
host_header_package(nlohmann_json nlohmann_json::nlohmann_json "${NLOHMANN_HOST_INCLUDE}" nlohmann json.hpp)
