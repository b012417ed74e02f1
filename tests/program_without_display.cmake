# Starts the program where no display can be reached and checks that it
# exits with status 1 and one line that says so, instead of aborting.
if(CASE STREQUAL "no_display_named")
    set(environment --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM)
elseif(CASE STREQUAL "unreachable_display")
    # A display number no server listens on, through the X11 plugin.
    set(environment --unset=WAYLAND_DISPLAY DISPLAY=:249 QT_QPA_PLATFORM=xcb)
else()
    message(FATAL_ERROR "unknown case ${CASE}")
endif()

execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${PROGRAM}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    TIMEOUT 30)

if(NOT status EQUAL 1)
    message(FATAL_ERROR "expected exit status 1, got '${status}'\nstderr:\n${err}")
endif()
string(STRIP "${err}" stripped)
string(FIND "${stripped}" "\n" newline)
if(NOT newline EQUAL -1)
    message(FATAL_ERROR "expected one line on stderr, got:\n${err}")
endif()
if(NOT stripped MATCHES "display grafico" OR NOT stripped MATCHES "xvfb-run")
    message(FATAL_ERROR "the line does not say what is missing and how to get it:\n${err}")
endif()
if(NOT out STREQUAL "")
    message(FATAL_ERROR "unexpected standard output:\n${out}")
endif()
