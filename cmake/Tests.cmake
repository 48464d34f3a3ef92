# GoogleTest from Debian's sources, built with the same toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_executable(wendrax1_unit ${UNIT_SOURCES} ${IID_SOURCES})
add_dependencies(wendrax1_unit typelibs WENDRAX1)
target_include_directories(wendrax1_unit PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${GEN})
target_link_libraries(wendrax1_unit PRIVATE gtest ${PLATFORM_LIBS})
target_link_options(wendrax1_unit PRIVATE ${STATIC_LINK})

set(TOOLS ${CMAKE_SOURCE_DIR}/tools)
# Every test runs in the build's own Wine prefix; the library is registered there first.
add_test(NAME prefix COMMAND ${TOOLS}/wine-run cmd /c exit 0)
set_tests_properties(prefix PROPERTIES FIXTURES_SETUP wineprefix)
add_test(NAME register COMMAND ${TOOLS}/register ${WENDRAX1_BIN}/WENDRAX1.dll)
set_tests_properties(register PROPERTIES FIXTURES_SETUP registered FIXTURES_REQUIRED wineprefix)

add_test(NAME unit COMMAND ${TOOLS}/wine-run ${WENDRAX1_BIN}/wendrax1_unit.exe --gtest_brief=1)
# The unit tests and the fuzzer answer message boxes on the prefix's one desktop: never together.
set_tests_properties(unit PROPERTIES FIXTURES_REQUIRED "wineprefix;registered" TIMEOUT 3600 RESOURCE_LOCK desktop)

file(GLOB HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.vbs ${CMAKE_SOURCE_DIR}/tests/host/*.js)
foreach(script ${HOST_TESTS})
  get_filename_component(name ${script} NAME)
  add_test(NAME host/${name} COMMAND ${TOOLS}/run-host-test ${script})
  set_tests_properties(host/${name} PROPERTIES FIXTURES_REQUIRED "wineprefix;registered" TIMEOUT 600)
endforeach()
include(cmake/TablePrintTests.cmake)
include(cmake/Fuzz.cmake)
