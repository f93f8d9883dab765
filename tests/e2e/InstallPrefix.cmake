# Installs the build into a fresh prefix for the end-to-end tests:
#   cmake -DBUILD_DIR=<build> -DPREFIX=<prefix> -P InstallPrefix.cmake
# A fresh prefix, so a file the install rules no longer ship cannot pass.
if(NOT BUILD_DIR OR NOT PREFIX)
    message(FATAL_ERROR "InstallPrefix.cmake needs BUILD_DIR and PREFIX")
endif()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
