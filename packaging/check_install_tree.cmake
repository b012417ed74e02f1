# Installs the build into a scratch prefix and checks that it holds exactly the files a desktop
# needs, and that they point at one another: the menu entry at the program and the icon, the
# metainfo at the menu entry and the program.
#
# Expects BUILD_DIR, PREFIX, APP_ID, EXECUTABLE (file name of the program) and VERSION.

foreach(var BUILD_DIR PREFIX APP_ID EXECUTABLE VERSION)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(desktop_rel "share/applications/${APP_ID}.desktop")
set(icon_rel "share/icons/hicolor/scalable/apps/${APP_ID}.svg")
set(metainfo_rel "share/metainfo/${APP_ID}.metainfo.xml")
set(expected "bin/${EXECUTABLE}" "${desktop_rel}" "${icon_rel}" "${metainfo_rel}")
list(SORT expected)

# Exactly these files: anything more would end up in the Debian package too.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
    list(JOIN expected "\n  " expected_text)
    list(JOIN installed "\n  " installed_text)
    message(FATAL_ERROR
        "install tree differs\nexpected:\n  ${expected_text}\ninstalled:\n  ${installed_text}")
endif()

execute_process(COMMAND test -x "${PREFIX}/bin/${EXECUTABLE}" RESULT_VARIABLE not_executable)
if(NOT not_executable EQUAL 0)
    message(FATAL_ERROR "bin/${EXECUTABLE} is installed without the execute permission")
endif()

# Reads the value of Key= from the [Desktop Entry] group; other groups (actions) may reuse keys.
function(desktop_entry_value file key out)
    file(STRINGS "${file}" lines ENCODING UTF-8)
    set(in_entry FALSE)
    foreach(line IN LISTS lines)
        if(line MATCHES "^\\[(.*)\\]$")
            if(CMAKE_MATCH_1 STREQUAL "Desktop Entry")
                set(in_entry TRUE)
            else()
                set(in_entry FALSE)
            endif()
        elseif(in_entry AND line MATCHES "^${key}=(.*)$")
            set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${file} has no ${key}= in [Desktop Entry]")
endfunction()

set(desktop "${PREFIX}/${desktop_rel}")
desktop_entry_value("${desktop}" Exec exec)
desktop_entry_value("${desktop}" Icon icon)
desktop_entry_value("${desktop}" StartupWMClass wm_class)
# Exec is looked up on PATH, so it must be the bare name that lands in bin/.
string(REGEX REPLACE " .*" "" exec_program "${exec}")
if(NOT exec_program STREQUAL EXECUTABLE)
    message(FATAL_ERROR "Exec=${exec} does not start the installed bin/${EXECUTABLE}")
endif()
# Qt on X11 names the window class after the program file; with no match a desktop can not tie
# the open window to this entry and shows it without the icon.
if(NOT wm_class STREQUAL EXECUTABLE)
    message(FATAL_ERROR "StartupWMClass=${wm_class} is not the window class ${EXECUTABLE}")
endif()
# An icon theme name has no directory and no extension; the theme lookup adds them.
if(NOT icon STREQUAL APP_ID)
    message(FATAL_ERROR "Icon=${icon} does not name the installed ${icon_rel}")
endif()

file(READ "${PREFIX}/${metainfo_rel}" metainfo)
if(NOT metainfo MATCHES "<id>([^<]*)</id>" OR NOT CMAKE_MATCH_1 STREQUAL APP_ID)
    message(FATAL_ERROR "metainfo <id> is '${CMAKE_MATCH_1}', not ${APP_ID}")
endif()
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">([^<]*)</launchable>"
   OR NOT CMAKE_MATCH_1 STREQUAL "${APP_ID}.desktop")
    message(FATAL_ERROR "metainfo launchable '${CMAKE_MATCH_1}' is not ${APP_ID}.desktop")
endif()
if(NOT metainfo MATCHES "<binary>([^<]*)</binary>" OR NOT CMAKE_MATCH_1 STREQUAL EXECUTABLE)
    message(FATAL_ERROR "metainfo provides binary '${CMAKE_MATCH_1}', not ${EXECUTABLE}")
endif()
# Releases are listed newest first; the newest must be the version being built.
if(NOT metainfo MATCHES "<release version=\"([^\"]*)\"" OR NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR
        "newest metainfo release is '${CMAKE_MATCH_1}', but the project is at ${VERSION}")
endif()
