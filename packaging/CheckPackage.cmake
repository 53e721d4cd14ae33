# Run by ctest: makes the Debian package into OUT with cpack and fails on any error or warning
# lintian reports for it.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${OUT}
                WORKING_DIRECTORY ${BUILD} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()
file(GLOB debs ${OUT}/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${OUT}, found: ${debs}")
endif()
# --fail-on none: the verdict is ours, from the tags printed.
execute_process(COMMAND ${LINTIAN} --fail-on none --tag-display-limit 0 ${debs}
                OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE rc)
message("${report}${errors}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lintian did not run (${rc})")
endif()
if(report MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian reports errors or warnings for ${debs}")
endif()
