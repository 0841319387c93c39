set(build_id "0000000000000000000000000000000000000000")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --verify -q HEAD
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE head RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(status EQUAL 0 AND head MATCHES "^[0-9a-f]+$")
    string(LENGTH "${head}" length)
    if(length EQUAL 40)
      set(build_id "${head}")
    endif()
  endif()
endif()
file(WRITE ${OUTPUT}.tmp "#pragma once\n#define LUMEN_BUILD_ID \"${build_id}\"\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
