# The files a release carries beside the programs, made in the build folder's
# docs/: Debian's copyright file from LICENSE, and the changelog, dated by
# the commit (SOURCE_DATE_EPOCH, or the commit's time read from git), both
# compressed as Debian keeps them. Sets FERROVELLO_RELEASE_FILES.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE commit_time
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE git_result)
    if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    endif()
  endif()
endif()
string(TIMESTAMP FERROVELLO_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${PROJECT_SOURCE_DIR}/release/debian/changelog.in" "${FERROVELLO_DOCS}/changelog" @ONLY)
add_custom_command(
  OUTPUT "${FERROVELLO_DOCS}/changelog.gz" "${FERROVELLO_DOCS}/copyright"
  COMMAND gzip -9nkf "${FERROVELLO_DOCS}/changelog"
  COMMAND "${CMAKE_COMMAND}" "-DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE" "-DOUTPUT=${FERROVELLO_DOCS}/copyright"
          -P "${PROJECT_SOURCE_DIR}/release/debian/copyright.cmake"
  DEPENDS "${FERROVELLO_DOCS}/changelog" "${PROJECT_SOURCE_DIR}/LICENSE"
          "${PROJECT_SOURCE_DIR}/release/debian/copyright.cmake"
  COMMENT "The changelog and the copyright file")
set(FERROVELLO_RELEASE_FILES "${FERROVELLO_DOCS}/changelog.gz" "${FERROVELLO_DOCS}/copyright")
