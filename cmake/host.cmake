# Host (Linux) build: all logic over the headless window back end, the tests and benchmarks.
option(VARNOK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# Whole-program optimisation in optimised builds: the per-byte path crosses files.
if(NOT VARNOK_SANITIZE AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
endif()
if(VARNOK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(varnok_framework STATIC ${FRAMEWORK_SOURCES} framework/headless/HeadlessWindows.cpp
                                    framework/posix/PosixSystem.cpp framework/posix/PosixProfile.cpp)
# The resources' data, which the framework reads: linked into every executable as objects.
add_library(varnok_res OBJECT res/DialogInit.cpp res/HostResources.cpp)
target_link_libraries(varnok_framework INTERFACE $<TARGET_OBJECTS:varnok_res>)
add_library(varnok_program STATIC ${PROGRAM_SOURCES} app/UploaderApp.cpp)
target_link_libraries(varnok_program PUBLIC varnok_framework)
add_library(varnok_sim STATIC portio/sim/SimConsole.cpp portio/sim/SimPortIo.cpp)
target_link_libraries(varnok_sim PUBLIC varnok_framework)

enable_testing()
find_package(GTest REQUIRED)
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
add_executable(varnok_tests ${TEST_SOURCES})
target_link_libraries(varnok_tests PRIVATE varnok_program varnok_sim GTest::gtest GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(varnok_tests DISCOVERY_TIMEOUT 60)

find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT VARNOK_SANITIZE)
  add_executable(varnok_bench bench/UploadBench.cpp bench/FastCard.cpp)
  target_link_libraries(varnok_bench PRIVATE varnok_program varnok_sim benchmark::benchmark)
endif()
