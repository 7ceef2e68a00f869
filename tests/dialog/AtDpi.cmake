# Runs the results list's DPI test with the prefix's display DPI set to DPI,
# then sets it back to 96 whatever happened, so no other test sees it:
#   cmake -D WINE_RUN=scripts/wine-run.sh -D DPI=144 -D TESTS=dialog_tests.exe -P AtDpi.cmake
# Wine reads LogPixels when a program starts.
set(key "HKCU\\Control Panel\\Desktop")
execute_process(COMMAND ${WINE_RUN} reg add ${key} /v LogPixels /t REG_DWORD /d ${DPI} /f
    OUTPUT_QUIET RESULT_VARIABLE set_failed)
if(NOT set_failed)
    execute_process(COMMAND ${WINE_RUN} ${TESTS} --gtest_filter=*AtTheDisplaysDpi* RESULT_VARIABLE test_failed)
endif()
execute_process(COMMAND ${WINE_RUN} reg add ${key} /v LogPixels /t REG_DWORD /d 96 /f
    OUTPUT_QUIET RESULT_VARIABLE reset_failed)
if(set_failed OR test_failed OR reset_failed)
    message(FATAL_ERROR "at ${DPI} DPI: setting ${set_failed}, test ${test_failed}, resetting ${reset_failed}")
endif()
