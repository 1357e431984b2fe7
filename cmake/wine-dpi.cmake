# Runs PROGRAM under Wine (EMULATOR) with the screen at DPI (Wine's LogPixels), then puts the
# prefix back to 96 DPI whatever the program's result:
#   cmake -DEMULATOR=<wine command> -DDPI=144 -DPROGRAM=<test.exe> -P wine-dpi.cmake
function(set_dpi value)
  execute_process(COMMAND ${EMULATOR} reg add "HKCU\\Control Panel\\Desktop" /v LogPixels
                          /t REG_DWORD /d ${value} /f
                  OUTPUT_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "setting LogPixels failed: ${rc}")
  endif()
endfunction()

set_dpi(${DPI})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TAVIK_EXPECT_DPI=${DPI} ${EMULATOR} ${PROGRAM}
                RESULT_VARIABLE result)
set_dpi(96)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} at ${DPI} DPI: ${result}")
endif()
