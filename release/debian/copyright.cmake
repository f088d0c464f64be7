# Writes Debian's machine-readable copyright file from the project's
# LICENSE (the MIT licence, "Expat" in Debian's names):
#   cmake -DLICENSE=LICENSE -DOUTPUT=copyright -P copyright.cmake
file(STRINGS "${LICENSE}" lines)
set(holder "")
set(text "")
set(in_text OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    set(holder "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^Permission")
    set(in_text ON)
  endif()
  if(in_text)
    if(line STREQUAL "")
      string(APPEND text " .\n")
    else()
      string(APPEND text " ${line}\n")
    endif()
  endif()
endforeach()
if(holder STREQUAL "" OR text STREQUAL "")
  message(FATAL_ERROR "${LICENSE}: no copyright line or no licence text")
endif()
file(WRITE "${OUTPUT}"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: ferrovello\n\n"
  "Files: *\nCopyright: ${holder}\nLicense: Expat\n\n"
  "License: Expat\n${text}")
