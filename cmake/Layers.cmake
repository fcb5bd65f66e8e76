# The layers enforced by the build (the layer table of the design): a
# layer's code sees the headers of its own folder and, through the targets
# it links, those of the layers below it; a header of a layer above is not
# found. Includes stay rooted at the repository ("platform/d3d9/d3d9.h"), so
# each layer's include root is a folder of the build holding only a link to
# that layer's folder.

# The targets defined in DIR and the folders below it.
function(zq_targets_below dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
        zq_targets_below(${subdir} below)
        list(APPEND targets ${below})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Gives every target of LAYER (a folder of the repository, added already)
# the layer's include root; libraries pass it on to whatever links them.
function(zq_layer_includes layer)
    set(root ${CMAKE_BINARY_DIR}/include/${layer})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    zq_targets_below(${CMAKE_SOURCE_DIR}/${layer} targets)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "INTERFACE_LIBRARY")
            target_include_directories(${target} INTERFACE ${root})
        elseif(type MATCHES "_LIBRARY$")
            target_include_directories(${target} PUBLIC ${root})
        elseif(type STREQUAL "EXECUTABLE")
            target_include_directories(${target} PRIVATE ${root})
        endif()
    endforeach()
endfunction()
