# The program is built in layers, bottom to top: platform, store, links, web, ui/common, tray,
# ui/about, ui/main; the engine helper (browser) and the composition root (app) stand on them.
# Each layer is one static library that links only the layers below it, and sees only their
# headers: its include path holds a folder per layer it links, each showing just that layer's
# headers under their usual names ("store/accounts.h"), so an include of a layer above fails to
# compile. (Where the build tree cannot hold links to folders, every layer sees all of src/;
# tests/layering/check_layers.py checks the same rule on the sources in every test run.)

# yorumi_layer_includes(TARGET FOLDER): TARGET, and what links it, sees the headers of src/FOLDER.
function(yorumi_layer_includes target folder)
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} RESULT linked SYMBOLIC)
        if(NOT linked EQUAL 0)
            set(root ${PROJECT_SOURCE_DIR}/src)
        endif()
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# yorumi_layer(TARGET FOLDER SOURCES ... [LAYERS lower layers...] [QT Qt libraries...]
#              [INCLUDES extra include folders...] [HELPER sources the helper uses...])
# HELPER names the sources of the layer that the engine helper links too. The helper runs
# without the sanitizers (the engine's allocations do not suit them), so with YORUMI_SANITIZE
# just those sources are built a second time without them, as TARGET_plain, linking the plain
# builds of its layers; the rest of the layer is the program's alone and built once. (A source
# the helper comes to use shows as an undefined symbol when the helper links: add it here.)
# Without the sanitizers the helper links the layer itself.
function(yorumi_layer target folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;LAYERS;QT;INCLUDES;HELPER" ${ARGN})
    set(variants ${target})
    if(ARG_HELPER AND YORUMI_SANITIZE)
        list(APPEND variants ${target}_plain)
    endif()
    foreach(variant IN LISTS variants)
        if(variant STREQUAL target)
            add_library(${variant} STATIC ${ARG_SOURCES})
        else()
            add_library(${variant} STATIC ${ARG_HELPER})
        endif()
        yorumi_layer_includes(${variant} ${folder})
        target_include_directories(${variant} PUBLIC ${ARG_INCLUDES})
        target_link_libraries(${variant} PUBLIC ${ARG_QT})
        foreach(layer IN LISTS ARG_LAYERS)
            if(variant STREQUAL target)
                target_link_libraries(${variant} PUBLIC ${layer})
            elseif(TARGET ${layer}_plain)
                target_link_libraries(${variant} PUBLIC ${layer}_plain)
            endif()
        endforeach()
        if(NOT variant STREQUAL target)
            target_compile_options(${variant} PRIVATE -fno-sanitize=all)
        endif()
        yorumi_unity(${variant})
    endforeach()
endfunction()

# yorumi_unity(TARGET): TARGET's sources are compiled a few at a time as one file each, which
# reads Qt's headers once for all of them. Names local to a source file (in an unnamed
# namespace, or static) must therefore differ across the sources of a layer. A source whose
# object a program must not link unless it uses it (Windows-only code that only Windows calls)
# sets SKIP_UNITY_BUILD_INCLUSION.
function(yorumi_unity target)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
endfunction()

# The plain build of a helper layer where there is one, else the layer itself.
function(yorumi_helper_layers out)
    set(layers "")
    foreach(layer IN LISTS ARGN)
        if(YORUMI_SANITIZE)
            list(APPEND layers ${layer}_plain)
        else()
            list(APPEND layers ${layer})
        endif()
    endforeach()
    set(${out} ${layers} PARENT_SCOPE)
endfunction()

# What differs from one system to another stands in sibling files, X_unix.cpp and X_win.cpp, of
# which a layer lists X_${YORUMI_OS}.cpp.
if(WIN32)
    set(YORUMI_OS win)
else()
    set(YORUMI_OS unix)
endif()
