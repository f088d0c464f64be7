# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain
# (package g++-mingw-w64-x86-64-win32). Used by `make windows`:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The executables link the C and C++ runtimes statically, so that they need
# no DLL beside them, only the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the executables' headers: two builds of one commit are the
# same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Windows 7 and later: the API level the platform code is written for.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)

# CLI11 is header-only and not cross-built: the host's headers are used
# through a package file that exposes only their CLI folder (never the rest
# of the host's /usr/include).
set(CLI11_DIR "${CMAKE_CURRENT_LIST_DIR}/cli11" CACHE PATH "CLI11 for the cross build")
# nlohmann JSON likewise, for the tool's JSON output.
set(nlohmann_json_DIR "${CMAKE_CURRENT_LIST_DIR}/nlohmann_json" CACHE PATH "nlohmann JSON for the cross build")
# Boost's headers likewise, for the web server of `view --serve`.
set(Boost_DIR "${CMAKE_CURRENT_LIST_DIR}/boost" CACHE PATH "Boost for the cross build")
# GoogleTest is not cross-built: the tests run in the Linux build, which also
# runs these executables under Wine.
set(FERROVELLO_TESTS OFF CACHE BOOL "Build the tests")
set(FERROVELLO_SANITIZED_TESTS OFF CACHE BOOL "Also build and run the tests under ASan and UBSan")
