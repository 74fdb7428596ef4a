# cmake -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -P install_tree.cmake
# Installs the build into PREFIX and fails unless it laid out exactly these files.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
set(expected
    bin/quorvane
    share/applications/${APP_ID}.desktop
    share/icons/hicolor/scalable/apps/quorvane.svg
    share/man/man6/quorvane.6
    share/metainfo/${APP_ID}.metainfo.xml)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()
file(REMOVE_RECURSE ${PREFIX})
