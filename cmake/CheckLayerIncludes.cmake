# Fails when a source file of a layer includes what its layer may not see. Run by the build for
# each layer (see ostavel_layer in src/CMakeLists.txt), whenever one of its files changes:
#
#   cmake -DRULES=<file> -P CheckLayerIncludes.cmake
#
# The rules file sets LAYER, SOURCE_ROOT, FILES (absolute paths), MAY_INCLUDE (patterns of paths
# below SOURCE_ROOT: "Dir/**" for a folder and all below it, "Dir/*" for the files directly in it,
# or one file), SYSTEM_FORBIDDEN (a regular expression over <...> includes) and STAMP.
include("${RULES}")

set(allowed_regexes)
foreach(pattern IN LISTS MAY_INCLUDE)
    string(REPLACE "." "\\." regex "${pattern}")
    string(REPLACE "**" "@ANY@" regex "${regex}")
    string(REPLACE "*" "[^/]*" regex "${regex}")
    string(REPLACE "@ANY@" ".*" regex "${regex}")
    list(APPEND allowed_regexes "^${regex}$")
endforeach()

set(violations)
# A file below SOURCE_ROOT must match one of the layer's patterns.
function(check_target found line)
    file(RELATIVE_PATH target "${SOURCE_ROOT}" "${found}")
    if(target MATCHES "^\\.\\./")
        set(violations ${violations} "${shown}: ${line} (outside ${SOURCE_ROOT})" PARENT_SCOPE)
        return()
    endif()
    foreach(regex IN LISTS allowed_regexes)
        if(target MATCHES "${regex}")
            return()
        endif()
    endforeach()
    set(violations ${violations} "${shown}: ${line}" PARENT_SCOPE)
endfunction()

foreach(file IN LISTS FILES)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    get_filename_component(dir "${file}" DIRECTORY)
    file(RELATIVE_PATH shown "${SOURCE_ROOT}" "${file}")
    foreach(line IN LISTS lines)
        # Resolved as the compiler would: a "..." include beside the file first, then from the
        # source root, which every layer has on its include path; a <...> one from the source root
        # only. Generated files (moc output) and files outside the tree are not ours to judge.
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            set(bases "${dir}" "${SOURCE_ROOT}")
            set(system FALSE)
        elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
            set(bases "${SOURCE_ROOT}")
            set(system TRUE)
        else()
            continue()
        endif()
        set(included "${CMAKE_MATCH_1}")
        set(found "")
        foreach(base IN LISTS bases)
            get_filename_component(candidate "${included}" ABSOLUTE BASE_DIR "${base}")
            if(NOT found AND EXISTS "${candidate}" AND NOT IS_DIRECTORY "${candidate}")
                set(found "${candidate}")
            endif()
        endforeach()
        if(found)
            check_target("${found}" "${line}")
        elseif(system AND SYSTEM_FORBIDDEN AND included MATCHES "${SYSTEM_FORBIDDEN}")
            list(APPEND violations "${shown}: ${line}")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "The ${LAYER} layer includes what it may not see:\n  ${text}\n"
                        "See the layers in src/CMakeLists.txt.")
endif()
file(TOUCH "${STAMP}")
