# Windows builds (MinGW-w64): no runtime library, i386 code in the 32-bit build, Windows 4.0 headers.
enable_language(RC)
add_compile_definitions(WINVER=0x0400 _WIN32_WINDOWS=0x0400 _WIN32_IE=0x0300 NOMINMAX)
add_compile_options(-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
                    -fno-threadsafe-statics -fno-stack-protector -fcheck-new -fno-ident
                    -fno-tree-loop-distribute-patterns -ffunction-sections -fdata-sections)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-march=i386 -mtune=i386 -mno-sse -mno-mmx -mno-80387 -mpreferred-stack-boundary=2)
  set(VARNOK_SYMBOL_PREFIX _)
endif()
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/res")

# The framework's classes, the system half and the runtime; each program adds its window half.
add_library(varnok_framework STATIC ${FRAMEWORK_SOURCES} framework/win32/Win32System.cpp framework/win32/Runtime.cpp)
set(REAL_PORTIO portio/SelectPortIo.cpp portio/direct/DirectPortIo.cpp portio/driver/DriverPortIo.cpp)
set(SIM_PORTIO portio/sim/SimConsole.cpp portio/sim/SimBus.cpp)

# name: the executable; kind: WIN32 (a window) or CONSOLE; rc_defines: lines for the resources.
function(varnok_executable name kind rc_defines)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT "${rc_defines}\n#include \"${CMAKE_SOURCE_DIR}/res/varnok.rc\"\n")
  if(kind STREQUAL "WIN32")
    add_executable(${name} WIN32 ${ARGN} framework/win32/Win32Windows.cpp ${rc})
    set(entry WinMainCRTStartup)
    set(subsystem windows)
    target_link_libraries(${name} PRIVATE comctl32 comdlg32 shell32)
  else()
    add_executable(${name} ${ARGN} framework/win32/ConsoleEntry.cpp ${rc})
    set(entry mainCRTStartup)
    set(subsystem console)
  endif()
  target_sources(${name} PRIVATE ${PROGRAM_SOURCES} app/UploaderApp.cpp res/DialogInit.cpp)
  target_link_libraries(${name} PRIVATE varnok_framework kernel32 user32)
  target_link_options(${name} PRIVATE
    -nostdlib -s -Wl,--gc-sections -Wl,-e,${VARNOK_SYMBOL_PREFIX}${entry}
    -Wl,--subsystem,${subsystem}:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(${name} PRIVATE -Wl,--disable-high-entropy-va)
  endif()
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name} SUFFIX .exe)
endfunction()

varnok_executable(varnok WIN32 "#define VARNOK_ABOUT_NOTE \"Link card 300-330\"" ${REAL_PORTIO})
varnok_executable(varnok-demo WIN32 "#define VARNOK_ABOUT_NOTE \"Simulated console\"" ${SIM_PORTIO} portio/sim/SimPortIo.cpp)
# The command-line uploader: the same dialog on the headless window half, real or simulated ports.
varnok_executable(varnok-cli CONSOLE "#define VARNOK_CLI 1" ${REAL_PORTIO} ${SIM_PORTIO}
                  cli/front/main.cpp ${CLI_SOURCES} cli/system/win32/System.cpp framework/headless/HeadlessWindows.cpp
                  framework/win32/Win32Sockets.cpp
                  res/HostResources.cpp)
# The network (--serve, --host): Winsock 1.1.
target_link_libraries(varnok-cli PRIVATE wsock32)

# The end-to-end test driver (a test tool, run under Wine; it may use the C runtime): the x86_64
# one drives the programs of both builds; each build's one is the link card of the program of its
# own bitness on Windows 95 and 98 (their debugger).
add_executable(driver tests/wine/Driver.cpp ${SIM_PORTIO} framework/win32/Win32System.cpp)
target_link_libraries(driver PRIVATE user32 gdi32 comctl32 ntdll)
target_link_options(driver PRIVATE -static-libgcc -static-libstdc++)
set(inpout_variants sim)
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(inpout_variants sim closed fast busy)
endif()
# A stand-in for the port-I/O driver library, with its three functions, over the simulated bus;
# one whose driver is never open; one that answers at once; one busy for a poll after each byte
# (the benchmark's). The i686 one exports them as the real inpout32.dll does: __stdcall, the
# names undecorated.
foreach(variant ${inpout_variants})
  add_library(inpout_${variant} SHARED tests/wine/TestInpout.cpp ${SIM_PORTIO} framework/win32/Win32System.cpp)
  target_compile_definitions(inpout_${variant} PRIVATE INPOUT_VARIANT_${variant})
  set_target_properties(inpout_${variant} PROPERTIES PREFIX "" OUTPUT_NAME inpout-${variant})
  target_link_options(inpout_${variant} PRIVATE -static-libgcc -static-libstdc++)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(inpout_${variant} PRIVATE -Wl,--kill-at)
  endif()
endforeach()
