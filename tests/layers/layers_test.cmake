# cmake -DBUILD_DIR=... -DFOUND=probe:header,... -DHIDDEN=probe:header,...
#     -P layers_test.cmake
# Builds each probe of tests/layers: those in FOUND must build, those in
# HIDDEN must fail because their header is not found (and for no other
# reason). Every probe is tried; the failures are listed together.
string(REPLACE "," ";" found "${FOUND}")
string(REPLACE "," ";" hidden "${HIDDEN}")
set(failures "")

function(build_probe entry result output)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 probe)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${probe}
        RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
    set(${result} ${code} PARENT_SCOPE)
    set(${output} "${out}" PARENT_SCOPE)
endfunction()

foreach(entry ${found})
    build_probe(${entry} code out)
    if(NOT code EQUAL 0)
        string(APPEND failures "not found, but should be: ${entry}\n${out}\n")
    endif()
endforeach()
foreach(entry ${hidden})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 1 header)
    build_probe(${entry} code out)
    if(code EQUAL 0)
        string(APPEND failures "found, but is above: ${entry}\n")
    elseif(NOT out MATCHES "${header}[^\n]*(No such file|file not found)")
        string(APPEND failures "failed for another reason: ${entry}\n${out}\n")
    endif()
endforeach()

if(failures)
    message(FATAL_ERROR "${failures}")
endif()
list(LENGTH found found_count)
list(LENGTH hidden hidden_count)
message("PASS: ${found_count} includes found, ${hidden_count} of layers above not found")
