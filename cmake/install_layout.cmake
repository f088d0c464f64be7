# Where `make install` (cmake --install) puts things, the same tree that the
# Debian package and the Linux archive carry (release/make_dist.sh):
#   bin/scenario-tool
#   share/ferrovello/ferrovello           the installer: it writes into its own
#                                         folder, so it is never on the PATH
#   share/man/man1/{scenario-tool,ferrovello}.1.gz
#   share/bash-completion/completions/scenario-tool
#   share/doc/scenario-tool/              the authors' guide, the script format
#                                         and their pictures, copyright, changelog
include(GNUInstallDirs)
set(FERROVELLO_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/scenario-tool")
install(TARGETS scenario-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(TARGETS ferrovello RUNTIME DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/ferrovello")
install(FILES "${FERROVELLO_DOCS}/scenario-tool.1.gz" "${FERROVELLO_DOCS}/ferrovello.1.gz"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${FERROVELLO_DOCS}/scenario-tool.bash" RENAME scenario-tool
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions")

# The authors' documents and the pictures they show, read from their own
# image links so that a new picture is installed with the page.
set(FERROVELLO_AUTHOR_DOCS docs/authoring.md docs/script-format.md)
set(FERROVELLO_AUTHOR_PICTURES "")
foreach(page IN LISTS FERROVELLO_AUTHOR_DOCS)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${page}")
  file(STRINGS "${PROJECT_SOURCE_DIR}/${page}" links REGEX "!\\[[^]]*\\]\\([^)]+\\)")
  foreach(link IN LISTS links)
    string(REGEX MATCHALL "!\\[[^]]*\\]\\([^)]+\\)" images "${link}")
    foreach(image IN LISTS images)
      string(REGEX REPLACE "^!\\[[^]]*\\]\\(([^)]+)\\)$" "\\1" picture "${image}")
      list(APPEND FERROVELLO_AUTHOR_PICTURES "docs/${picture}")
    endforeach()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES FERROVELLO_AUTHOR_PICTURES)
install(FILES ${FERROVELLO_AUTHOR_DOCS} ${FERROVELLO_AUTHOR_PICTURES}
        "${FERROVELLO_DOCS}/copyright" "${FERROVELLO_DOCS}/changelog.gz"
        DESTINATION "${FERROVELLO_DOC_DIR}")
