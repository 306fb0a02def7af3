# The Win32 side: the system seam and the window on Windows, the program,
# its resources, and the tests that run under Wine.
# Windows 7 SP1 is the floor: the headers hide what it lacks, and what the
# program uses beyond it is looked up at run time (platform/win32_newer_api).
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# A test tool that may use what Windows 10 has (it never ships): the
# compiler's options come after the definitions, so these win.
function(vz_allow_windows10 target)
  target_compile_options(${target} PRIVATE -U_WIN32_WINNT -D_WIN32_WINNT=0x0A00 -UWINVER -DWINVER=0x0A00)
endfunction()

# Static, so the exe runs on a bare Windows; ASLR (high entropy) and DEP;
# terminal-server aware, as the GUI programs Windows' own tools link are.
# Stack canaries and checked string and memory calls: MinGW-w64 links its
# libssp statically, which adds three ADVAPI32 imports Windows 7 has.
if(MINGW)
  set(VZ_WIN_HARDENING -fstack-protector-strong -D_FORTIFY_SOURCE=2)
  # Whatever links the program's code links libssp too.
  target_compile_options(vz_core PRIVATE ${VZ_WIN_HARDENING})
  target_link_options(vz_core INTERFACE -fstack-protector-strong)
  set(VZ_WIN_LINK -static -static-libgcc -static-libstdc++
      -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat -Wl,--tsaware)
  set(VZ_UNICODE_ENTRY -municode)
  set(VZ_STRIP -s)
else()
  set(VZ_WIN_HARDENING "")
  set(VZ_WIN_LINK /DYNAMICBASE /HIGHENTROPYVA /NXCOMPAT /TSAWARE)
  set(VZ_UNICODE_ENTRY "")
  set(VZ_STRIP "")
endif()

add_library(vz_win32 STATIC
  src/platform/win32_system.cpp
  src/platform/win32_devices.cpp
  src/platform/win32_newer_api.cpp
  src/platform/win32_instance.cpp
  src/ui/win32_window.cpp
  src/ui/run_view.cpp
  src/ui/taskbar_and_session.cpp
  src/ui/window_controls.cpp
  src/ui/control_texts.cpp
  src/ui/combo_lists.cpp
  src/ui/progress_bar.cpp
  src/ui/window_pictures.cpp
  src/ui/message_boxes.cpp
  src/ui/device_broadcasts.cpp
  src/ui/background_job.cpp
  src/ui/focus.cpp
  src/ui/window_timers.cpp
  src/ui/picture.cpp
)
target_link_libraries(vz_win32 PUBLIC vz_core comctl32 ole32 oleaut32 uuid gdi32 user32 wtsapi32
  bcrypt setupapi cfgmgr32)
target_compile_options(vz_win32 PRIVATE ${VZ_WIN_HARDENING})

add_executable(Vardolin_VaZuvovev WIN32
  src/app/main_win32.cpp
  src/ui/resources.rc
)
target_link_libraries(Vardolin_VaZuvovev PRIVATE vz_win32)
target_compile_options(Vardolin_VaZuvovev PRIVATE ${VZ_WIN_HARDENING})
target_link_options(Vardolin_VaZuvovev PRIVATE ${VZ_WIN_LINK} ${VZ_UNICODE_ENTRY} ${VZ_STRIP})
# The manifest carries the version: made from its template next to
# app_version.h, where the resource script finds both.
configure_file(src/ui/app.manifest.in ${CMAKE_BINARY_DIR}/generated/app.manifest @ONLY)
set_source_files_properties(src/ui/resources.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/generated/app.manifest;${CMAKE_BINARY_DIR}/generated/app_version.h;${CMAKE_SOURCE_DIR}/src/ui/res/app.ico;${CMAKE_SOURCE_DIR}/src/ui/res/logo.bmp;${CMAKE_SOURCE_DIR}/src/ui/res/wordmark.bmp;${CMAKE_SOURCE_DIR}/src/ui/res/power.bmp;${CMAKE_SOURCE_DIR}/src/ui/res/logo@2x.bmp;${CMAKE_SOURCE_DIR}/src/ui/res/wordmark@2x.bmp;${CMAKE_SOURCE_DIR}/src/ui/res/power@2x.bmp")

# Reports when the program's window is on the screen (demo, benchmarks).
add_executable(winwait tools/winwait/winwait.cpp)
set_target_properties(winwait PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools/winwait)
target_include_directories(winwait PRIVATE src)
target_link_libraries(winwait PRIVATE vz_testkit_headers)
target_link_options(winwait PRIVATE ${VZ_WIN_LINK} ${VZ_UNICODE_ENTRY})

set(BUILD_TESTING ON)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/uploader-sim/CMakeLists.txt)
  add_subdirectory(tools/uploader-sim)
endif()

add_subdirectory(tools/driver)
add_subdirectory(tests/win32)
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
add_subdirectory(tests/e2e)

# The release: one folder a technician copies to the PC, zipped by CPack.
install(TARGETS Vardolin_VaZuvovev RUNTIME DESTINATION .)
# What lies beside it is data/shipped.txt's list, which make run's folder
# is staged from too.
file(STRINGS data/shipped.txt VZ_SHIPPED REGEX "^[^#]")
list(TRANSFORM VZ_SHIPPED PREPEND data/)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS data/shipped.txt)
install(FILES ${VZ_SHIPPED} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vardolin_VaZuvovev)
set(CPACK_PACKAGE_VERSION ${VZ_VERSION})
set(CPACK_PACKAGE_FILE_NAME Vardolin_VaZuvovev-${VZ_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/build/release)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
