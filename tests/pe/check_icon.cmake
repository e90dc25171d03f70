# Runs the icon generator and compares its output with the checked-in icon.
#   cmake -DPYTHON=... -DSOURCE=<res dir> -DOUTPUT=<file> -P check_icon.cmake
execute_process(COMMAND "${PYTHON}" "${SOURCE}/make_icon.py" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_icon.py failed: ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${SOURCE}/stub_icon.ico"
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "res/stub_icon.ico differs from what res/make_icon.py draws: regenerate it")
endif()
