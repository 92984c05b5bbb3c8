# Host (Linux) build: all logic over the headless window back end, the tests and benchmarks.
option(VARNOK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VARNOK_FUZZ "Build the fuzz targets (clang, libFuzzer) instead of the tests" OFF)
if(VARNOK_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
# Whole-program optimisation in optimised builds: the per-byte path crosses files.
if(NOT VARNOK_SANITIZE AND NOT VARNOK_FUZZ AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
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
add_library(varnok_sim STATIC portio/sim/SimConsole.cpp portio/sim/SimBus.cpp portio/sim/SimPortIo.cpp)
target_link_libraries(varnok_sim PUBLIC varnok_framework)

if(VARNOK_FUZZ)
  foreach(target Address Profile Transfer)
    add_executable(fuzz_${target} fuzz/${target}Fuzz.cpp)
    target_link_libraries(fuzz_${target} PRIVATE varnok_program varnok_sim)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
  return()
endif()

enable_testing()
find_package(GTest REQUIRED)
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
add_executable(varnok_tests ${TEST_SOURCES})
target_link_libraries(varnok_tests PRIVATE varnok_program varnok_sim GTest::gtest GTest::gtest_main)
target_compile_definitions(varnok_tests PRIVATE VARNOK_CLI_PATH="$<TARGET_FILE:varnok-cli>")
add_dependencies(varnok_tests varnok-cli)
include(GoogleTest)
gtest_discover_tests(varnok_tests DISCOVERY_TIMEOUT 60)

# The command-line uploader.
add_executable(varnok-cli cli/main.cpp cli/Cli.cpp cli/posix/CliPorts.cpp portio/linux/LinuxPortIo.cpp)
target_link_libraries(varnok-cli PRIVATE varnok_program varnok_sim)

add_executable(varnok_profile_tool tools/ProfileTool.cpp)
target_link_libraries(varnok_profile_tool PRIVATE varnok_framework)

find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT VARNOK_SANITIZE)
  add_executable(varnok_bench bench/UploadBench.cpp bench/FastCard.cpp)
  target_link_libraries(varnok_bench PRIVATE varnok_program varnok_sim benchmark::benchmark)
endif()

# The Windows programs, checked and driven from here (the Makefile builds them first).
set(VARNOK_WINDOWS_BUILDS "" CACHE PATH "Folder holding the i686/ and x86_64/ Windows builds")
if(VARNOK_WINDOWS_BUILDS AND NOT VARNOK_SANITIZE)
  set(win32 ${VARNOK_WINDOWS_BUILDS}/i686)
  set(win64 ${VARNOK_WINDOWS_BUILDS}/x86_64)
  set(check ${CMAKE_SOURCE_DIR}/tests/windows/check-exe.sh)
  foreach(program varnok varnok-demo)
    add_test(NAME windows95_${program}_i686 COMMAND ${check} ${win32}/${program}.exe --i386)
    add_test(NAME windows95_${program}_x86_64 COMMAND ${check} ${win64}/${program}.exe)
  endforeach()
  add_test(NAME windows95_varnok-cli_i686 COMMAND ${check} ${win32}/varnok-cli.exe --i386 --console)
  add_test(NAME windows95_varnok-cli_x86_64 COMMAND ${check} ${win64}/varnok-cli.exe --console)

  # End-to-end under Wine: one prefix and one virtual display for the whole run.
  set(e2e ${CMAKE_SOURCE_DIR}/tests/wine/e2e.sh)
  set(e2e_env E2E_DIR=${CMAKE_BINARY_DIR}/e2e DRIVER=${win64}/driver.exe)
  set(sample ${CMAKE_SOURCE_DIR}/examples/demo-program.bin)
  add_test(NAME e2e_setup COMMAND ${e2e} setup)
  add_test(NAME e2e_teardown COMMAND ${e2e} teardown)
  set_tests_properties(e2e_setup PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${e2e_env}" TIMEOUT 400)
  set_tests_properties(e2e_teardown PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${e2e_env}")
  function(varnok_e2e name program scenario)
    add_test(NAME e2e_${name} COMMAND ${e2e} run ${scenario} ${win64}/${program}.exe ${ARGN})
    set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK ${program} TIMEOUT 240
                                                ENVIRONMENT "${e2e_env}")
  endfunction()
  varnok_e2e(start_state varnok start-state)
  # Any file will do; not the sample, which the demo's tests may hold open meanwhile.
  varnok_e2e(validation varnok validation ${CMAKE_SOURCE_DIR}/README.md)
  varnok_e2e(browse_cancel varnok browse-cancel)
  # The screenshot of the window mid-transfer stays among the build's outputs.
  varnok_e2e(demo_transfer varnok-demo transfer ${sample} ${CMAKE_BINARY_DIR}/e2e/mid-transfer.bmp)
  varnok_e2e(demo_stop_button varnok-demo stop ${sample} button)
  varnok_e2e(demo_stop_escape varnok-demo stop ${sample} escape)
  varnok_e2e(demo_stop_closebox varnok-demo stop ${sample} closebox)
  varnok_e2e(about varnok about "Link card: ports 300-330")
  varnok_e2e(demo_about varnok-demo about "Simulated console")
  varnok_e2e(demo_about_mid_transfer varnok-demo about-mid-transfer ${sample})
  # The real program on the NT family (as Wine is): through a stand-in driver library beside it,
  # the same transfers as the demo's; without one, refused; never the one in its working folder.
  set(staged ${CMAKE_BINARY_DIR}/e2e)
  function(varnok_real name stage library scenario)
    set(stage_cmd ${e2e} stage ${stage} ${win64}/varnok.exe)
    if(library)
      list(APPEND stage_cmd ${win64}/${library} inpoutx64.dll)
    endif()
    string(REPLACE ";" " " stage_cmd "${stage_cmd}")
    # A copy of the sample of its own: the demo's tests, running meanwhile, hold the sample open.
    string(REPLACE "${sample}" "${staged}/${stage}/sample.bin" run_args "${ARGN}")
    string(REPLACE ";" " " run_args "${run_args}")
    add_test(NAME e2e_${name}
             COMMAND bash -c "${stage_cmd} >/dev/null && cp ${sample} ${staged}/${stage}/sample.bin && ${e2e} run ${scenario} ${staged}/${stage}/varnok.exe ${run_args}")
    set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK varnok TIMEOUT 240
                                                ENVIRONMENT "${e2e_env}")
  endfunction()
  varnok_real(real_transfer with-library inpout-sim.dll transfer ${sample})
  varnok_real(real_stop_button with-library inpout-sim.dll stop ${sample} button)
  varnok_real(real_stop_escape with-library inpout-sim.dll stop ${sample} escape)
  varnok_real(real_stop_closebox with-library inpout-sim.dll stop ${sample} closebox)
  varnok_real(real_about_mid_transfer with-library inpout-sim.dll about-mid-transfer ${sample})
  varnok_real(real_no_library no-library "" port-refused ${CMAKE_SOURCE_DIR}/README.md)
  varnok_real(real_driver_closed closed-driver inpout-closed.dll driver-closed ${CMAKE_SOURCE_DIR}/README.md)
  # A library planted in the working folder: the folder holds it, the program is elsewhere.
  add_test(NAME e2e_real_planted_library
           COMMAND bash -c "${e2e} stage planted ${win64}/inpout-sim.dll >/dev/null && mv ${staged}/planted/inpout-sim.dll ${staged}/planted/inpoutx64.dll && ${e2e} stage alone ${win64}/varnok.exe >/dev/null && ${e2e} run port-refused ${staged}/alone/varnok.exe ${CMAKE_SOURCE_DIR}/README.md ${staged}/planted")
  set_tests_properties(e2e_real_planted_library PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK varnok TIMEOUT 240
                                                           ENVIRONMENT "${e2e_env}")
  add_test(NAME e2e_cli_windows COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/cli.sh ${win64}/varnok-cli.exe ${sample})
  set_tests_properties(e2e_cli_windows PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK varnok TIMEOUT 240
                                                  ENVIRONMENT "${e2e_env}")
  # The library in the system folder instead of beside the program: found there too.
  set(system32 ${staged}/prefix/drive_c/windows/system32/inpoutx64.dll)
  add_test(NAME e2e_real_library_in_system_folder
           COMMAND bash -c "trap 'rm -f ${system32}' EXIT; cp ${win64}/inpout-sim.dll ${system32} && ${e2e} stage system-library ${win64}/varnok.exe >/dev/null && cp ${sample} ${staged}/system-library/sample.bin && ${e2e} run transfer ${staged}/system-library/varnok.exe ${staged}/system-library/sample.bin")
  set_tests_properties(e2e_real_library_in_system_folder PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK varnok
                                                                    TIMEOUT 240 ENVIRONMENT "${e2e_env}")
  add_test(NAME e2e_profile_roundtrip
           COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/profile-roundtrip.sh $<TARGET_FILE:varnok_profile_tool> ${win64}/varnok.exe)
  set_tests_properties(e2e_profile_roundtrip PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK varnok TIMEOUT 240
                                                        ENVIRONMENT "${e2e_env}")
endif()
