# The automation fuzzer: its own program, loading the built library and reading its type library.
# CI runs a bounded pass; longer passes run from the command line (README, "Long fuzz run";
# the options are listed in tests/fuzz/Main.cpp).
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp)
add_executable(wendrax1_fuzz ${FUZZ_SOURCES})
add_dependencies(wendrax1_fuzz WENDRAX1)
target_include_directories(wendrax1_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${GEN})
target_link_libraries(wendrax1_fuzz PRIVATE ${PLATFORM_LIBS})
target_link_options(wendrax1_fuzz PRIVATE ${STATIC_LINK})
