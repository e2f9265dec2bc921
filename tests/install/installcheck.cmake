# cmake -DBUILD=dir -DPREFIX=dir -DID=app-id -DVERSION=x.y [-DEXE=.exe] [-DEMULATOR=a|b] -P installcheck.cmake
# Installs the build into an empty prefix, checks that every installed file is
# there (theme icons at their sizes), and runs the installed tools on a small
# sample facet: make, generate, combine, verify. A cross build's tools run
# through its emulator (Wine), given with '|' between its words.

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        string(REPLACE ";" " " command "${ARGN}")
        message(FATAL_ERROR "${command}\nexited with ${status}\n${out}${err}")
    endif()
    string(REPLACE "\r\n" "\n" out "${out}")  # Windows consoles end lines so
    set(output "${out}" PARENT_SCOPE)
endfunction()

# Width and height from a PNG's header chunk, which always comes first.
function(png_size path result)
    file(READ ${path} header LIMIT 24 HEX)
    if(NOT header MATCHES "^89504e470d0a1a0a")
        message(FATAL_ERROR "${path} is not a PNG image")
    endif()
    string(SUBSTRING ${header} 32 8 width)
    string(SUBSTRING ${header} 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    set(${result} "${width}x${height}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${PREFIX})
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX})

set(expected bin/quillmark${EXE} bin/quillmark-cli${EXE} bin/quillmark-sample${EXE} share/applications/${ID}.desktop
    share/metainfo/${ID}.metainfo.xml share/doc/quillmark/README.md share/doc/quillmark/NEWS
    share/doc/quillmark/doc/user-guide.md share/doc/quillmark/doc/images/quillmark-window.png)
foreach(page quillmark quillmark-cli quillmark-sample)
    if(EXISTS ${PREFIX}/share/man/man1/${page}.1)
        list(APPEND expected share/man/man1/${page}.1)
    else()
        list(APPEND expected share/man/man1/${page}.1.gz)
    endif()
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${ID}.png)
    if(NOT EXISTS ${icon})
        message(FATAL_ERROR "not installed: the ${size} pixel icon")
    endif()
    png_size(${icon} found)
    if(NOT found STREQUAL "${size}x${size}")
        message(FATAL_ERROR "the ${size} pixel icon is ${found} pixels")
    endif()
endforeach()

string(REPLACE "|" ";" emulator "${EMULATOR}")
set(cli ${emulator} ${PREFIX}/bin/quillmark-cli${EXE})
set(sample ${emulator} ${PREFIX}/bin/quillmark-sample${EXE})
run(${cli} --version)
if(NOT output STREQUAL "quillmark-cli ${VERSION}\n")
    message(FATAL_ERROR "installed quillmark-cli --version says: ${output}")
endif()

set(work ${PREFIX}/run)
set(ref ${work}/facet/reference)
set(cur ${work}/facet/current)
file(MAKE_DIRECTORY ${work}/difs ${work}/combined)
run(${sample} make --dir ${work}/facet --facet Malas --width 24 --height 16 --seed 5)
run(${cli} generate map --reference ${ref}/map3.mul --current ${cur}/map3.mul --out ${work}/difs --facet 3)
run(${cli} generate statics --reference-index ${ref}/staidx3.mul --reference-data ${ref}/statics3.mul
    --current-index ${cur}/staidx3.mul --current-data ${cur}/statics3.mul --out ${work}/difs --facet 3)
run(${cli} combine map --map ${ref}/map3.mul --difl ${work}/difs/mapdifl3.mul --dif ${work}/difs/mapdif3.mul
    --out ${work}/combined --facet 3)
run(${cli} combine statics --index ${ref}/staidx3.mul --data ${ref}/statics3.mul --difl ${work}/difs/stadifl3.mul
    --difi ${work}/difs/stadifi3.mul --dif ${work}/difs/stadif3.mul --out ${work}/combined --facet 3)
run(${sample} verify --edited-map ${cur}/map3.mul --combined-map ${work}/combined/map3.mul
    --edited-index ${cur}/staidx3.mul --edited-data ${cur}/statics3.mul
    --combined-index ${work}/combined/staidx3.mul --combined-data ${work}/combined/statics3.mul)
if(NOT output MATCHES "verdict: match")
    message(FATAL_ERROR "the combined facet differs from the edited one:\n${output}")
endif()
file(REMOVE_RECURSE ${PREFIX})
