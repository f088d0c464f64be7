# Boost's headers for the Windows cross build (see ../mingw-w64.cmake;
# install libboost-dev): Boost.Asio and Boost.Beast are header-only. The
# include folder holds only a link to the host's boost folder, never the rest
# of the host's /usr/include.
set(BOOST_HOST_INCLUDE "/usr/include" CACHE PATH "Folder that holds the host's boost/version.hpp")
if(NOT EXISTS "${BOOST_HOST_INCLUDE}/boost/version.hpp")
  set(Boost_FOUND FALSE)
  set(Boost_NOT_FOUND_MESSAGE "boost/version.hpp not found in ${BOOST_HOST_INCLUDE}")
  return()
endif()
set(boost_include "${CMAKE_BINARY_DIR}/boost-include")
file(MAKE_DIRECTORY "${boost_include}")
if(NOT EXISTS "${boost_include}/boost")
  file(CREATE_LINK "${BOOST_HOST_INCLUDE}/boost" "${boost_include}/boost" SYMBOLIC)
endif()
if(NOT TARGET Boost::headers)
  add_library(Boost::headers INTERFACE IMPORTED)
  set_target_properties(Boost::headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${boost_include}")
endif()
set(Boost_FOUND TRUE)
