# cmake -DKIND=desktop|appstream|manual -DFILE=path -P validate.cmake
# Checks a desktop entry with desktop-file-validate, AppStream metadata with
# appstreamcli, or a manual page with man's warnings. Prints "SKIPPED:" (which
# ctest reports as skipped) when the checking tool is not installed.

if(KIND STREQUAL "desktop")
    set(tool desktop-file-validate)
    set(arguments ${FILE})
elseif(KIND STREQUAL "appstream")
    set(tool appstreamcli)
    set(arguments validate --no-net ${FILE})
elseif(KIND STREQUAL "manual")
    set(tool man)
    set(arguments --warnings -l ${FILE})
    set(ENV{MANWIDTH} 80)
    set(ENV{LC_ALL} C.UTF-8)
else()
    message(FATAL_ERROR "unknown KIND '${KIND}'")
endif()

find_program(checker ${tool})
if(NOT checker)
    message("SKIPPED: ${tool} is not installed")
    return()
endif()
execute_process(COMMAND ${checker} ${arguments} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
# desktop-file-validate and man report problems on the error stream, also
# when they exit with 0; appstreamcli exits non-zero on errors and warnings.
if(NOT status EQUAL 0 OR (NOT KIND STREQUAL "appstream" AND NOT err STREQUAL ""))
    message(FATAL_ERROR "${tool} finds problems in ${FILE}:\n${out}${err}")
endif()
