# The private table printer cannot be created through the library's exports, so its tests are a
# program of their own: the frame (without the class table and registration, which would pull in
# every class), the table printer's sources, the drawing double and the tests, with both type
# libraries embedded as the library embeds them.
if(EXISTS ${CMAKE_SOURCE_DIR}/src/resources/TablePrint.idl)
  file(GLOB TABLEPRINT_FRAME CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/frame/*.cpp)
  list(REMOVE_ITEM TABLEPRINT_FRAME ${CMAKE_SOURCE_DIR}/src/frame/ClassTable.cpp
       ${CMAKE_SOURCE_DIR}/src/frame/Registration.cpp ${CMAKE_SOURCE_DIR}/src/frame/ClassFactory.cpp)
  file(GLOB TABLEPRINT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/printing/clsTablePrint.cpp
       ${CMAKE_SOURCE_DIR}/src/printing/Table*.cpp)
  file(GLOB TABLEPRINT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/tableprint/*.cpp)
  set(TABLEPRINT_RC ${CMAKE_SOURCE_DIR}/tests/tableprint/TablePrintTests.rc)
  add_executable(tableprint_unit ${TABLEPRINT_FRAME} ${TABLEPRINT_SOURCES} ${TABLEPRINT_TESTS}
                 ${CMAKE_SOURCE_DIR}/tests/support/DrawingSurface.cpp ${IID_SOURCES} ${TABLEPRINT_RC})
  add_dependencies(tableprint_unit typelibs)
  set_source_files_properties(${TABLEPRINT_RC} PROPERTIES OBJECT_DEPENDS "${TLB_OUTPUTS}")
  target_include_directories(tableprint_unit PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${GEN})
  target_compile_definitions(tableprint_unit PRIVATE WX_TABLEPRINT_PAGES="${CMAKE_BINARY_DIR}/tableprint-pages"
                             WX_TABLEPRINT_EXPECTED="${CMAKE_SOURCE_DIR}/tests/tableprint/expected")
  target_link_libraries(tableprint_unit PRIVATE gtest ${PLATFORM_LIBS})
  target_link_options(tableprint_unit PRIVATE ${STATIC_LINK})
endif()
