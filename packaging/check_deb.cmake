# Builds the Debian package from an already built tree and checks its control fields and
# contents: the fields a package manager acts on, and the files at the /usr paths a desktop
# reads.
#
# Expects CPACK_COMMAND, CPACK_CONFIG, OUTPUT_DIR, DPKG_DEB, APP_ID, EXECUTABLE and VERSION.

foreach(var CPACK_COMMAND CPACK_CONFIG OUTPUT_DIR DPKG_DEB APP_ID EXECUTABLE VERSION)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${OUTPUT_DIR}")
execute_process(
    COMMAND "${CPACK_COMMAND}" -G DEB --config "${CPACK_CONFIG}" -B "${OUTPUT_DIR}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()

file(GLOB debs "${OUTPUT_DIR}/*.deb")
list(LENGTH debs deb_count)
if(NOT deb_count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${OUTPUT_DIR}, found: ${debs}")
endif()
get_filename_component(deb_name "${debs}" NAME)
if(NOT deb_name MATCHES "^coincidenze_${VERSION}_[a-z0-9]+\\.deb$")
    message(FATAL_ERROR "${deb_name} does not follow the Debian name_version_arch.deb form")
endif()

function(deb_field field out)
    execute_process(
        COMMAND "${DPKG_DEB}" --field "${debs}" "${field}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE value
        ERROR_VARIABLE error
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "dpkg-deb --field ${field} failed: ${error}")
    endif()
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

foreach(pair "Package=coincidenze" "Version=${VERSION}" "Section=science")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 field)
    list(GET pair 1 want)
    deb_field(${field} have)
    if(NOT have STREQUAL want)
        message(FATAL_ERROR "${field}: '${have}', expected '${want}'")
    endif()
endforeach()

deb_field(Maintainer maintainer)
if(NOT maintainer MATCHES "^[^<>]+ <[^<>@]+@[^<>@]+>$")
    message(FATAL_ERROR "Maintainer '${maintainer}' is not of the form 'Name <address>'")
endif()

# The first two are only opened at run time and so are named by hand; the Qt and C runtime
# entries show that dpkg-shlibdeps looked at the program.
deb_field(Depends depends)
string(REPLACE ", " ";" depends_list "${depends}")
foreach(want fonts-dejavu-core qt6-translations-l10n libqt6widgets6 libc6)
    set(found FALSE)
    foreach(dep IN LISTS depends_list)
        if(dep MATCHES "^${want}( |$)")
            set(found TRUE)
        endif()
    endforeach()
    if(NOT found)
        message(FATAL_ERROR "Depends lacks ${want}: ${depends}")
    endif()
endforeach()

execute_process(
    COMMAND "${DPKG_DEB}" --contents "${debs}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE contents
    ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb --contents failed: ${error}")
endif()
foreach(path
        "usr/bin/${EXECUTABLE}"
        "usr/share/applications/${APP_ID}.desktop"
        "usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg"
        "usr/share/metainfo/${APP_ID}.metainfo.xml")
    string(REPLACE "." "\\." path_regex "${path}")
    if(NOT contents MATCHES "\\./${path_regex}\n")
        message(FATAL_ERROR "the package lacks /${path}:\n${contents}")
    endif()
endforeach()
# The program line of the listing carries its mode first: it must be executable by everyone.
string(REPLACE "." "\\." exe_regex "${EXECUTABLE}")
if(NOT contents MATCHES "(^|\n)-rwxr-xr-x [^\n]* \\./usr/bin/${exe_regex}\n")
    message(FATAL_ERROR "/usr/bin/${EXECUTABLE} is not packaged with mode 0755:\n${contents}")
endif()
