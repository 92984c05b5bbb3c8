# Windows builds (MinGW-w64): no runtime library, i386 code in the 32-bit build, Windows 4.0 headers.
enable_language(RC)
add_compile_definitions(WINVER=0x0400 _WIN32_WINDOWS=0x0400 _WIN32_IE=0x0300 NOMINMAX)
add_compile_options(-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
                    -fno-threadsafe-statics -fno-stack-protector -fcheck-new -fno-ident
                    -fno-tree-loop-distribute-patterns -ffunction-sections -fdata-sections)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-march=i386 -mtune=i386 -mno-sse -mno-mmx -mno-80387 -mpreferred-stack-boundary=2)
  set(VARNOK_ENTRY _WinMainCRTStartup)
else()
  set(VARNOK_ENTRY WinMainCRTStartup)
endif()
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/res")

add_library(varnok_framework STATIC ${FRAMEWORK_SOURCES} framework/win32/Win32Windows.cpp
                                    framework/win32/Win32System.cpp framework/win32/Runtime.cpp)

function(varnok_executable name portio_sources about_note)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT "#define VARNOK_ABOUT_NOTE ${about_note}\n#include \"${CMAKE_SOURCE_DIR}/res/varnok.rc\"\n")
  add_executable(${name} WIN32 ${PROGRAM_SOURCES} app/UploaderApp.cpp res/DialogInit.cpp ${portio_sources} ${rc})
  target_link_libraries(${name} PRIVATE varnok_framework)
  target_link_options(${name} PRIVATE
    -nostdlib -s -Wl,--gc-sections -Wl,-e,${VARNOK_ENTRY}
    -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(${name} PRIVATE -Wl,--disable-high-entropy-va)
  endif()
  target_link_libraries(${name} PRIVATE kernel32 user32 comctl32 comdlg32)
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name} SUFFIX .exe)
endfunction()

varnok_executable(varnok "portio/SelectPortIo.cpp;portio/direct/DirectPortIo.cpp;portio/driver/DriverPortIo.cpp" "\"Link card: ports 300-330\"")
varnok_executable(varnok-demo "portio/sim/SimConsole.cpp;portio/sim/SimBus.cpp;portio/sim/SimPortIo.cpp" "\"Simulated console\"")

# The end-to-end test driver (a test tool, run under Wine; it may use the C runtime).
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_executable(driver tests/wine/Driver.cpp)
  target_link_libraries(driver PRIVATE user32 gdi32 comctl32)
  target_link_options(driver PRIVATE -static-libgcc -static-libstdc++)

  # A stand-in for the port-I/O driver library, with its three functions, over the simulated
  # bus; and one whose driver is never open.
  foreach(variant sim closed)
    add_library(inpout_${variant} SHARED tests/wine/TestInpout.cpp portio/sim/SimConsole.cpp portio/sim/SimBus.cpp
                                         framework/win32/Win32System.cpp)
    target_compile_definitions(inpout_${variant} PRIVATE INPOUT_VARIANT_${variant})
    set_target_properties(inpout_${variant} PROPERTIES PREFIX "" OUTPUT_NAME inpout-${variant})
    target_link_options(inpout_${variant} PRIVATE -static-libgcc -static-libstdc++)
  endforeach()
endif()
