# Compresses IN into OUT as Debian wants documentation: best compression, no name or time
# stamp inside, so the same input always gives the same bytes.
execute_process(COMMAND gzip -9 -n -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${IN}: ${rc}")
endif()
