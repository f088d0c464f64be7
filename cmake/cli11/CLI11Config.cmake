# CLI11 for the Windows cross build (see ../mingw-w64.cmake; install libcli11-dev).
set(CLI11_HOST_INCLUDE "/usr/include" CACHE PATH "Folder that holds the host's CLI/CLI.hpp")
include("${CMAKE_CURRENT_LIST_DIR}/../host_headers.cmake")
host_header_package(CLI11 CLI11::CLI11 "${CLI11_HOST_INCLUDE}" CLI CLI.hpp)
