# The MIME types the desktop files name. Where the system's shared-mime-info
# database already gives files a type, that type is used and nothing is
# registered; otherwise ZELQAd's own type is, through its MIME package.

set(ZQ_SYSTEM_MIME_DIR /usr/share/mime CACHE PATH
    "The shared-mime-info database whose types the desktop entry and thumbnailer use")

# The type the system gives files matching GLOB (such as "*.x"), among the
# types whose name matches TYPE_PATTERN; empty when it has none. The
# database lists the heaviest glob first.
function(zq_system_mime_type glob type_pattern out)
    set(type "")
    if(EXISTS ${ZQ_SYSTEM_MIME_DIR}/globs2)
        string(REGEX REPLACE "([.*])" "\\\\\\1" escaped "${glob}")
        file(STRINGS ${ZQ_SYSTEM_MIME_DIR}/globs2 lines
            REGEX "^[0-9]+:${type_pattern}:${escaped}(:.*)?$")
        if(lines)
            list(GET lines 0 line)
            string(REGEX REPLACE "^[0-9]+:([^:]+):.*" "\\1" type "${line}")
        endif()
    endif()
    set(${out} "${type}" PARENT_SCOPE)
endfunction()

# Sets VARIABLE to the system's type for GLOB, or to OWN_TYPE, appending
# the entry from TEMPLATE (which names it @own_type@) to ZQ_MIME_ENTRIES in
# the latter case. Finding
# OWN_TYPE itself means finding the package installed earlier, which must
# stay.
function(zq_choose_mime_type variable glob type_pattern own_type template)
    zq_system_mime_type("${glob}" "${type_pattern}" system_type)
    if(system_type AND NOT system_type STREQUAL own_type)
        set(${variable} "${system_type}" PARENT_SCOPE)
        return()
    endif()
    file(READ ${template} entry)
    string(CONFIGURE "${entry}" entry @ONLY)
    set(${variable} "${own_type}" PARENT_SCOPE)
    set(ZQ_MIME_ENTRIES "${ZQ_MIME_ENTRIES}${entry}" PARENT_SCOPE)
endfunction()
