# The start-up line names the commit the program was built from. The header is
# rewritten on every build but only touched when the commit changed, so a new
# commit does not rebuild everything and a stale identifier never survives.
set(LUMEN_BUILD_ID_HEADER ${CMAKE_BINARY_DIR}/generated/buildid.h)
add_custom_target(lumen_build_id
  COMMAND ${CMAKE_COMMAND}
          -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DOUTPUT=${LUMEN_BUILD_ID_HEADER}
          -P ${CMAKE_SOURCE_DIR}/cmake/WriteBuildId.cmake
  BYPRODUCTS ${LUMEN_BUILD_ID_HEADER}
  COMMENT "Recording the build identifier")
