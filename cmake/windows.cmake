# Windows: the program as a Windows application, installed with Qt's libraries and the browser
# engine's files beside it, and an installer made with `cpack -G NSIS` (NSIS 3.03 or newer).

# The program opens no console window. The engine helper stays a console program: its channel
# is its standard input and output, and started by the program (which has no console) it gets
# no window either.
set_target_properties(yorumi-livedoor PROPERTIES WIN32_EXECUTABLE ON)

# Qt's libraries, plugins and translations, and for the helper QtWebEngineProcess.exe with the
# engine's resources and locales, are put beside the programs by Qt's windeployqt. The helper
# is installed into the same folder (see YORUMI_HELPER_DIR), where the program looks first.
get_target_property(yorumi_qmake Qt6::qmake IMPORTED_LOCATION)
get_filename_component(yorumi_qt_bin "${yorumi_qmake}" DIRECTORY)
find_program(YORUMI_WINDEPLOYQT windeployqt HINTS "${yorumi_qt_bin}" REQUIRED)
install(CODE "
    foreach(program yorumi-browser yorumi-livedoor)
        execute_process(
            COMMAND \"${YORUMI_WINDEPLOYQT}\" $<IF:$<CONFIG:Debug>,--debug,--release>
                    --no-compiler-runtime --verbose 0
                    \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}.exe\"
            RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR \"windeployqt failed for \${program}.exe\")
        endif()
    endforeach()
")
# The compiler's runtime libraries, beside the programs too.
set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
include(InstallRequiredSystemLibraries)

# The installer: a per-machine installation under Program Files with a Start menu entry.
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${YORUMI_PRODUCT_NAME}")
set(CPACK_PACKAGE_EXECUTABLES yorumi-livedoor "${YORUMI_PRODUCT_NAME}")
set(CPACK_NSIS_DISPLAY_NAME "${YORUMI_PRODUCT_NAME}")
set(CPACK_NSIS_PACKAGE_NAME "${YORUMI_PRODUCT_NAME}")
set(CPACK_NSIS_INSTALLED_ICON_NAME ${CMAKE_INSTALL_BINDIR}/yorumi-livedoor.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The installation prefix of the Debian package (/usr) means nothing to the installer: it is
# dropped when CPack runs, after the package settings are read.
file(WRITE ${CMAKE_BINARY_DIR}/windows-cpack.cmake
     "if(CPACK_GENERATOR STREQUAL \"NSIS\")\n    set(CPACK_PACKAGING_INSTALL_PREFIX \"\")\nendif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/windows-cpack.cmake)
