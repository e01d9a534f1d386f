# Included by the top-level CMakeLists: builds the Windows COM server with
# MinGW-w64 (as its own CMake project in <build>/windows) when the cross
# compiler is installed, and registers its Wine tests with CTest (label
# "wine"). The tests report themselves skipped when Wine or the DLL is
# missing.
find_program(GRIDLET_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix)
find_program(GRIDLET_MINGW_WIDL NAMES x86_64-w64-mingw32-widl widl)
set(GRIDLET_WINDOWS_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)

if(GRIDLET_MINGW_CXX AND GRIDLET_MINGW_WIDL AND EXISTS /usr/include/wine/wine/windows/oaidl.idl)
  include(ExternalProject)
  ExternalProject_Add(gridlet_windows
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${GRIDLET_WINDOWS_BINARY_DIR}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/mingw_w64_toolchain.cmake
      -DCMAKE_BUILD_TYPE=Release
      -DGRIDLET_SOURCE_DIR=${CMAKE_SOURCE_DIR}
      -DGRIDLET_WINDOWS_TESTS=${GRIDLET_BUILD_TESTS}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
  message(STATUS "Gridlet: the Windows COM server is built in ${GRIDLET_WINDOWS_BINARY_DIR}")
else()
  message(STATUS "Gridlet: MinGW-w64 (g++-posix, widl) or Wine's IDL files are missing; gridlet.dll is not built")
endif()

if(GRIDLET_BUILD_TESTS)
  set(runner ${CMAKE_CURRENT_LIST_DIR}/tests/run_wine_test.sh)
  foreach(name registry_script registration com_object conversion excel_adapter)
    add_test(NAME wine_${name}
      COMMAND bash ${runner} ${GRIDLET_WINDOWS_BINARY_DIR}/tests/${name}_test.exe)
    set_tests_properties(wine_${name} PROPERTIES
      LABELS wine
      SKIP_RETURN_CODE 77
      TIMEOUT 300
      # One Wine prefix serves them all, one at a time.
      RESOURCE_LOCK gridlet_wine_prefix
      ENVIRONMENT "GRIDLET_WINDOWS_BUILD=${GRIDLET_WINDOWS_BINARY_DIR};GRIDLET_WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix;GRIDLET_CLI=$<TARGET_FILE:gridlet>;GRIDLET_EXAMPLE=${CMAKE_SOURCE_DIR}/examples/budget.txt")
  endforeach()
endif()
