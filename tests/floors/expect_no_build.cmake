# Builds TARGET in BUILD_DIR and passes only when the build fails because MISSING is not found.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
if(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} built: an include that runs back up was found")
endif()
string(FIND "${out}${err}" "${MISSING}: No such file" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${TARGET} failed for another reason:\n${out}${err}")
endif()
