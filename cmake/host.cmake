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
                                    framework/posix/PosixSystem.cpp framework/posix/PosixProfile.cpp
                                    framework/posix/PosixSockets.cpp)
# The resources' data, which the framework reads: linked into every executable as objects.
add_library(varnok_res OBJECT res/DialogInit.cpp res/HostResources.cpp)
target_link_libraries(varnok_framework INTERFACE $<TARGET_OBJECTS:varnok_res>)
add_library(varnok_program STATIC ${PROGRAM_SOURCES} app/UploaderApp.cpp)
target_link_libraries(varnok_program PUBLIC varnok_framework)
add_library(varnok_sim STATIC portio/sim/SimConsole.cpp portio/sim/SimBus.cpp portio/sim/SimPortIo.cpp)
target_link_libraries(varnok_sim PUBLIC varnok_framework)

add_library(varnok_cli STATIC ${CLI_SOURCES} cli/system/posix/System.cpp portio/linux/LinuxPortIo.cpp)
target_link_libraries(varnok_cli PUBLIC varnok_program varnok_sim varnok_framework)

if(VARNOK_FUZZ)
  foreach(target Address Profile Transfer Elf Http)
    add_executable(fuzz_${target} fuzz/${target}Fuzz.cpp)
    target_link_libraries(fuzz_${target} PRIVATE varnok_program varnok_sim varnok_cli)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
  return()
endif()

# The command-line uploader; alone in the 32-bit x86 Linux build (VARNOK_CLI_ONLY).
option(VARNOK_CLI_ONLY "Build varnok-cli alone" OFF)
add_executable(varnok-cli cli/front/main.cpp)
target_link_libraries(varnok-cli PRIVATE varnok_program varnok_sim varnok_cli)
# Linked statically (but under the sanitizers): it runs whatever the distribution, and its Debian
# package depends on nothing.
if(NOT VARNOK_SANITIZE)
  target_link_options(varnok-cli PRIVATE -static)
endif()
if(VARNOK_CLI_ONLY)
  return()
endif()

enable_testing()
find_package(GTest REQUIRED)
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS tests/*.cpp)
add_executable(varnok_tests ${TEST_SOURCES})
target_link_libraries(varnok_tests PRIVATE varnok_program varnok_sim varnok_cli GTest::gtest GTest::gtest_main)
target_compile_definitions(varnok_tests PRIVATE VARNOK_CLI_PATH="$<TARGET_FILE:varnok-cli>" VARNOK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(varnok_tests varnok-cli)
include(GoogleTest)
# A test that hangs (a wait that never looks at the message queue) fails by time-out.
gtest_discover_tests(varnok_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
# The server's page (cli/net/page.html): the file itself, and its uploads in headless Chromium,
# one browser for all the cases, each against a server of its own on 127.0.0.1.
if(NOT VARNOK_SANITIZE)
  set(page_test ${CMAKE_SOURCE_DIR}/tests/browser/page_test.py)
  add_test(NAME page_file COMMAND /usr/bin/python3 ${page_test} PageFile)
  add_test(NAME page_browser COMMAND /usr/bin/python3 ${page_test} PageInBrowser)
  set_tests_properties(page_file page_browser PROPERTIES TIMEOUT 90 ENVIRONMENT VARNOK_CLI=$<TARGET_FILE:varnok-cli>)
endif()

add_executable(varnok_profile_tool tools/ProfileTool.cpp)
target_link_libraries(varnok_profile_tool PRIVATE varnok_framework)

find_package(benchmark QUIET)
if(benchmark_FOUND AND NOT VARNOK_SANITIZE)
  add_executable(varnok_bench bench/UploadBench.cpp bench/FastCard.cpp)
  target_link_libraries(varnok_bench PRIVATE varnok_program varnok_sim benchmark::benchmark)
  # The card over the network against the card here, through the real command.
  add_executable(varnok_net_bench bench/NetBench.cpp)
  target_link_libraries(varnok_net_bench PRIVATE benchmark::benchmark)
  target_compile_definitions(varnok_net_bench PRIVATE VARNOK_CLI_PATH="$<TARGET_FILE:varnok-cli>")
  add_dependencies(varnok_net_bench varnok-cli)
endif()
# The page in a browser against --host and curl, 1 MiB to a paced card (cmake --build --target
# page_bench; it says it is skipped where Chromium is absent).
if(NOT VARNOK_SANITIZE)
  add_custom_target(page_bench COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/bench/page_bench.py $<TARGET_FILE:varnok-cli>
                    DEPENDS varnok-cli USES_TERMINAL VERBATIM)
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

  # The static varnok-cli for 32-bit x86 Linux, on an emulated Pentium II (an instruction that
  # processor lacks ends the program).
  add_test(NAME cli_linux_i386 COMMAND ${CMAKE_SOURCE_DIR}/tests/linux/cli-i386.sh ${VARNOK_WINDOWS_BUILDS}/linux-i386/varnok-cli
                                       ${CMAKE_SOURCE_DIR}/examples/demo-program.bin)

  # End-to-end under Wine: one prefix and one virtual display for the whole run. The x86_64
  # programs run natively; the i686 release runs in 32-bit Wine under user-mode emulation, where
  # each start takes about a minute and every time limit is E2E_SCALE times longer.
  set(e2e ${CMAKE_SOURCE_DIR}/tests/wine/e2e.sh)
  set(staged ${CMAKE_BINARY_DIR}/e2e)
  set(e2e_env E2E_DIR=${staged} DRIVER=${win64}/driver.exe)
  set(sample ${CMAKE_SOURCE_DIR}/examples/demo-program.bin)
  set(readme ${CMAKE_SOURCE_DIR}/README.md)
  add_test(NAME e2e_setup COMMAND ${e2e} setup)
  add_test(NAME e2e_teardown COMMAND ${e2e} teardown)
  set_tests_properties(e2e_setup PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${e2e_env}" TIMEOUT 400)
  set_tests_properties(e2e_teardown PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${e2e_env}")
  # A test in the prefix: tests of one program share its profile, so they take turns. Under
  # emulation the i686 program's window appears 60-100 s after its start (the driver's 30 s
  # bound times 8: room for a busy machine).
  function(e2e_add name arch lock)
    set(scale 1)
    set(serial FALSE)
    if(arch STREQUAL "i686")
      # Emulation takes a whole core and the prefix's server for a minute and more: alone, so that
      # no other program's test waits behind it.
      set(name i686_${name})
      set(scale 8)
      set(serial TRUE)
    endif()
    math(EXPR timeout "240 * ${scale}")
    add_test(NAME e2e_${name} COMMAND ${ARGN})
    set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK ${lock} TIMEOUT ${timeout}
                                                RUN_SERIAL ${serial} ENVIRONMENT "${e2e_env};E2E_SCALE=${scale}")
  endfunction()
  # The driver's command for <scenario> [args...] (ARGN) on <program> of the <arch> build:
  # varnok-demo or varnok as built; varnok+<variant>: a copy of varnok.exe in a folder of its own
  # with the stand-in inpout-<variant>.dll beside it under the system library's name (varnok+:
  # alone; varnok+<variant>+system: in the system folder too, for the run), and there a copy of
  # the sample of its own: the demo's tests hold the sample open.
  function(e2e_add_run name arch program)
    set(build ${VARNOK_WINDOWS_BUILDS}/${arch})
    list(POP_FRONT ARGN scenario)
    if(program MATCHES "^varnok\\+([a-z]*)(\\+system)?$")
      set(folder ${staged}/${name}-${arch})
      set(files ${build}/varnok.exe ${sample}=sample.bin)
      set(library inpoutx64.dll)
      set(system ${staged}/prefix/drive_c/windows/system32)
      if(arch STREQUAL "i686")
        set(library inpout32.dll)
        set(system ${staged}/prefix/drive_c/windows/syswow64)
      endif()
      if(CMAKE_MATCH_1)
        list(APPEND files ${build}/inpout-${CMAKE_MATCH_1}.dll=${library})
      endif()
      if(CMAKE_MATCH_2)
        list(APPEND files ${build}/inpout-${CMAKE_MATCH_1}.dll=${system}/${library})
      endif()
      list(TRANSFORM ARGN REPLACE "^${sample}$" ${folder}/sample.bin)
      e2e_add(${name} ${arch} varnok ${e2e} staged ${name}-${arch} ${files} -- ${scenario} ${folder}/varnok.exe ${ARGN})
    else()
      e2e_add(${name} ${arch} ${program} ${e2e} run ${scenario} ${build}/${program}.exe ${ARGN})
    endif()
  endfunction()
  # A chain: one start of the i686 <program> for all the rows that name the chain, in the
  # table's order; each scenario leaves the window Ready for the next. [VAR=value...]: the
  # chain's environment (DRIVER=<the i686 driver>: the card of Windows 95/98 is the program's
  # debugger, of its bitness; E2E_WINDOWS, see e2e.sh).
  function(e2e_chain chain program)
    set(e2e_chain_${chain} ${program} PARENT_SCOPE)
    set(e2e_chain_env_${chain} ${ARGN} PARENT_SCOPE)
    list(APPEND e2e_chains ${chain})
    set(e2e_chains ${e2e_chains} PARENT_SCOPE)
  endfunction()
  # A row of the table: <name> <i686 chain, or -> <program> <scenario> [args...]; e2e_<name> runs
  # it on the x86_64 program, and the chain it names runs it on the i686 release too.
  macro(varnok_e2e name chain program)
    e2e_add_run(${name} x86_64 ${program} ${ARGN})
    if(NOT "${chain}" STREQUAL "-")
      if(e2e_steps_${chain})
        list(APPEND e2e_steps_${chain} +)
      endif()
      list(APPEND e2e_steps_${chain} ${ARGN})
    endif()
  endmacro()
  # A test of its own: <name> <i686, or -> <lock> <command...>, where @build@ stands for the folder
  # of the x86_64 build and, in the i686 test, of the i686 build, @arch@ for x86_64 or i686.
  function(varnok_e2e_script name i686 lock)
    foreach(arch x86_64 ${i686})
      if(NOT arch STREQUAL "-")
        set(command ${ARGN})
        list(TRANSFORM command REPLACE "@build@" ${VARNOK_WINDOWS_BUILDS}/${arch})
        list(TRANSFORM command REPLACE "@arch@" ${arch})
        e2e_add(${name} ${arch} ${lock} ${command})
      endif()
    endforeach()
  endfunction()

  e2e_chain(release varnok+sim)
  e2e_chain(win98 varnok+sim+system DRIVER=${VARNOK_WINDOWS_BUILDS}/i686/driver.exe E2E_WINDOWS=98)
  # A few KiB of the sample: every access of the Windows 95/98 card goes through a debugger.
  execute_process(COMMAND head -c 2048 ${sample} OUTPUT_FILE ${CMAKE_BINARY_DIR}/small.bin)
  set(small ${CMAKE_BINARY_DIR}/small.bin)
  set(icon ${CMAKE_SOURCE_DIR}/res/varnok.ico)
  #         name                     i686     program       scenario [args]
  varnok_e2e(start_state             release  varnok        start-state)
  # Any file will do; not the sample, which the demo's tests may hold open meanwhile.
  varnok_e2e(validation              release  varnok        validation ${readme})
  varnok_e2e(browse                  release  varnok        browse ${readme})
  varnok_e2e(demo_transfer           -        varnok-demo   transfer ${sample})
  varnok_e2e(demo_stop_button        -        varnok-demo   stop ${sample} "click 2")
  varnok_e2e(demo_stop_escape        -        varnok-demo   stop ${sample} "key 2 esc")
  varnok_e2e(demo_stop_closebox      -        varnok-demo   stop ${sample} "sysmenu close")
  # Each executable's own About line; every static text of both dialogs fits its control.
  varnok_e2e(about                   release  varnok        about "Link card 300-330")
  varnok_e2e(demo_about              -        varnok-demo   about "Simulated console")
  varnok_e2e(demo_about_mid_transfer -        varnok-demo   about-mid-transfer ${sample})
  # The real program on the NT family (as Wine is): through a stand-in driver library beside it,
  # the same transfers as the demo's; without one, refused.
  varnok_e2e(real_transfer           release  varnok+sim    transfer ${sample})
  varnok_e2e(real_stop_button        release  varnok+sim    stop ${sample} "click 2")
  # A file on the command line, then dropped on the window.
  varnok_e2e(real_open_file          -        varnok+sim    open-file ${sample})
  varnok_e2e(real_no_library         -        varnok+       port-refused ${readme})
  varnok_e2e(real_driver_closed      -        varnok+closed driver-closed ${readme})

  #                 name                           i686  lock    command
  # A library planted in the working folder: the folder holds it, the program is elsewhere.
  varnok_e2e_script(real_planted_library           -     varnok  ${e2e} staged planted
                    @build@/varnok.exe=program/varnok.exe @build@/inpout-sim.dll=cwd/inpoutx64.dll
                    -- port-refused ${staged}/planted/program/varnok.exe ${readme} ${staged}/planted/cwd)
  # The library in the system folder instead of beside the program: found there too.
  varnok_e2e_script(real_library_in_system_folder  -     varnok  ${e2e} staged system-library @build@/varnok.exe
                    ${sample}=sample.bin @build@/inpout-sim.dll=${staged}/prefix/drive_c/windows/system32/inpoutx64.dll
                    -- transfer ${staged}/system-library/varnok.exe ${staged}/system-library/sample.bin)
  # The console program, given a quoted path that holds blanks.
  varnok_e2e_script(cli_windows                    i686  varnok  ${e2e} staged cli-@arch@ "${sample}=My Games/a b.bin"
                    -- cli @build@/varnok-cli.exe "${staged}/cli-@arch@/My Games/a b.bin")
  # Names beyond ASCII in the console's code page; a read-only profile said so.
  varnok_e2e_script(cli_console                    -     varnok  ${CMAKE_SOURCE_DIR}/tests/wine/cli-console.sh
                    @build@/varnok-cli.exe)
  varnok_e2e_script(profile_roundtrip              i686  varnok  ${CMAKE_SOURCE_DIR}/tests/wine/profile-roundtrip.sh
                    $<TARGET_FILE:varnok_profile_tool> @build@/varnok.exe)

  # Windows 95 and 98 (e2e.sh's E2E_WINDOWS): the program executes IN and OUT itself, answered
  # by the driver as the card; a library planted beside it (and, in the first row, in the system
  # folder) is never loaded. The i686 release: the Windows 98 rows in one start.
  set(e2e_plain ${e2e})
  set(e2e env E2E_WINDOWS=98 ${e2e_plain})
  #         name                      i686   program             scenario [args]
  varnok_e2e(win98_transfer           win98  varnok+sim+system   win9x + card-transfer ${small} 0 3)
  varnok_e2e(win98_checksum_differs   win98  varnok+sim          win9x + card-checksum-differs ${icon})
  varnok_e2e(win98_stop               win98  varnok+sim          win9x + card-stop ${small})
  varnok_e2e(win98_no_card            win98  varnok+sim          win9x + card-absent ${icon})
  varnok_e2e(win98_about_mid_transfer win98  varnok+sim          win9x + card-about ${icon})
  varnok_e2e_script(win98_cli                     -     varnok  ${e2e} staged cli98 @build@/varnok-cli.exe ${small}
                    -- card-cli ${staged}/cli98/varnok-cli.exe ${staged}/cli98/small.bin)
  # The card on the network: the Linux client sends through varnok-cli.exe --serve on "Windows 98".
  varnok_e2e_script(win98_serve                   -     varnok  ${CMAKE_SOURCE_DIR}/tests/wine/serve.sh
                    $<TARGET_FILE:varnok-cli> @build@/varnok-cli.exe ${small})
  set(e2e env E2E_WINDOWS=95 ${e2e_plain})
  varnok_e2e(win95_transfer           -      varnok+sim          win9x + card-transfer ${small} 0 3)
  set(e2e ${e2e_plain})

  foreach(chain ${e2e_chains})
    set(e2e env ${e2e_chain_env_${chain}} ${e2e_plain})
    e2e_add_run(${chain} i686 ${e2e_chain_${chain}} ${e2e_steps_${chain}})
  endforeach()
endif()
