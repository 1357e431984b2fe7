# Creates the Wine prefix of the test run (cmake -DEMULATOR=<wine command> -P this file): the
# first start, then CJK font replacements, so that Wine's own menus, captions and message
# boxes show Chinese with the WenQuanYi font of the Linux machine where Windows would use
# Microsoft YaHei, SimSun or Tahoma.
execute_process(COMMAND ${EMULATOR} wineboot --init RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wineboot failed: ${rc}")
endif()
foreach(face "Microsoft YaHei" "SimSun" "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2")
  execute_process(COMMAND ${EMULATOR} reg add "HKCU\\Software\\Wine\\Fonts\\Replacements"
                          /v "${face}" /d "WenQuanYi Micro Hei" /f
                  OUTPUT_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "reg add failed: ${rc}")
  endif()
endforeach()
