# Renders the windows into PICTURES with SHOTS, then the CHAPTERS with those
# pictures into OUTPUT with RENDER. Both tools print a line per picture and the
# offscreen platform's notices: shown only when a step fails.
# In a sanitizer build, what Qt keeps until exit is not this build's fault.
set(ENV{ASAN_OPTIONS} "detect_leaks=0:$ENV{ASAN_OPTIONS}")
set(ENV{QT_QPA_PLATFORM} offscreen)
string(REPLACE "|" ";" CHAPTERS "${CHAPTERS}")
foreach(step "${SHOTS};${PICTURES}" "${RENDER};${PICTURES};${OUTPUT};${CHAPTERS}")
  execute_process(COMMAND ${step} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc}):\n${out}")
  endif()
endforeach()
