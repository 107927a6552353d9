# Cross build: the engine, its test build, and the Windows test programs that ctest runs under
# Wine and Xvfb through the emulator wrapper.
enable_language(RC)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(LUMIVEX_WINE_ARCH win64)
else()
    set(LUMIVEX_WINE_ARCH win32)
endif()
set(LUMIVEX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(LUMIVEX_SOURCE_DIR ${CMAKE_SOURCE_DIR})
configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# Everything links statically, so the programs import only system DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)

# The pictures and the icon of the resource script, drawn reproducibly with Debian's Pillow, which
# the system's Python has.
set(LUMIVEX_ART_PYTHON /usr/bin/python3 CACHE FILEPATH "A Python with Pillow, to draw the engine's pictures")
set(ART_DIR ${CMAKE_BINARY_DIR}/art)
set(ART_FILES ${ART_DIR}/corner.bmp ${ART_DIR}/splash1.bmp ${ART_DIR}/splash2.bmp ${ART_DIR}/lumicon.ico)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${ART_FILES}
                   COMMAND ${LUMIVEX_ART_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make-art.py ${ART_DIR}
                   DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-art.py
                   COMMENT "Drawing the engine's pictures")
add_custom_target(lumivex_art DEPENDS ${ART_FILES})
set(LUMIVEX_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/lumivex.rc)
set_source_files_properties(${LUMIVEX_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${ART_FILES}")

set(LUMIVEX_WIN32_SOURCES
    images/drawing_win.cpp
    images/image_set_win.cpp
    images/palette_win.cpp
    install/finishing_win.cpp
    install/install_win.cpp
    install/program_entry_win.cpp
    install/removal_win.cpp
    payload/system_io_win.cpp
    saver/password_win.cpp
    saver/preview_run_win.cpp
    saver/player_job_win.cpp
    saver/saver_run_win.cpp
    saver/window_order_win.cpp
    settings/password_options_win.cpp
    settings/settings_window_win.cpp
    startup/engine_window_win.cpp
    startup/messages_win.cpp
    startup/process_start_win.cpp
    startup/single_instance_win.cpp
    startup/system_settings_win.cpp
    startup/test_seams_win.cpp
    startup/windows_paths_win.cpp
)

# The engine throws nothing and asks no type at run time, so it carries neither unwind tables nor
# type information; each function gets a section of its own so that the link keeps only what is
# reached; the code is optimised for size. Data is not split so: MinGW's compiler then puts even
# zero-initialised variables into initialised data, which costs the file a section of 512 bytes.
set(LUMIVEX_LEAN -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
    -ffunction-sections -Os)

# The engine's code as a library: once as shipped, once with the test hooks.
function(lumivex_library name)
    add_library(${name} STATIC ${LUMIVEX_CORE_SOURCES} ${LUMIVEX_WIN32_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${LUMIVEX_WARNINGS} ${LUMIVEX_LEAN})
    target_link_libraries(${name} PUBLIC user32 gdi32 advapi32)
endfunction()
lumivex_library(lumivex_win)
lumivex_library(lumivex_win_seams)
target_compile_definitions(lumivex_win_seams PUBLIC LUMIVEX_TEST_SEAMS)

# The engine links nothing but its own code, libgcc's helpers (64-bit division, stack probes) and
# the import libraries of the four system DLLs that every Windows has: no C runtime DLL, which the
# first releases of Windows 95 and NT 3.51 lack. Its few C library functions are its own.
function(lumivex_engine name library)
    add_executable(${name} WIN32 entry/entry_win.cpp startup/c_library_exports.cpp ${LUMIVEX_RESOURCE_SCRIPT})
    set_source_files_properties(startup/c_library_exports.cpp PROPERTIES COMPILE_OPTIONS
                                "-fno-builtin;-fno-tree-loop-distribute-patterns")
    target_link_libraries(${name} PRIVATE ${library} kernel32 user32 gdi32 advapi32 gcc)
    target_compile_options(${name} PRIVATE ${LUMIVEX_WARNINGS} ${LUMIVEX_LEAN})
    target_include_directories(${name} PRIVATE ${ART_DIR} ${CMAKE_SOURCE_DIR}/resources)
    # The engine's own entry point replaces the C runtime's start-up code; no data is imported
    # from a DLL, so nothing needs the runtime's relocation of such imports.
    target_link_options(${name} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s> ${LUMIVEX_LEAN} -Wl,--gc-sections
                        -nostdlib -Wl,-e,_engineStart -Wl,--disable-auto-import)
    add_dependencies(${name} lumivex_art)
endfunction()
lumivex_engine(lumivex lumivex_win)             # the engine that ships
lumivex_engine(lumivex-test lumivex_win_seams)  # the same engine with the test hooks

# The tool that assembles installer files, also as a Windows console program.
add_executable(lumivex-pack tools/pack/main.cpp ${LUMIVEX_PACK_SOURCES})
lumivex_pack_target(lumivex-pack)
target_link_libraries(lumivex-pack PRIVATE lumivex_win)
target_compile_options(lumivex-pack PRIVATE ${LUMIVEX_WARNINGS})

# The players: the demo show that the demo installs, and a player whose behaviour the tests set.
add_executable(demo-player WIN32 tools/players/demo_player.cpp)
target_link_libraries(demo-player PRIVATE user32 gdi32)
target_compile_options(demo-player PRIVATE ${LUMIVEX_WARNINGS})
add_executable(example-player WIN32 tools/players/example_player.cpp)
target_link_libraries(example-player PRIVATE user32 gdi32)
target_compile_options(example-player PRIVATE ${LUMIVEX_WARNINGS})
add_executable(test-player WIN32 tools/players/test_player.cpp)
target_link_libraries(test-player PRIVATE user32 gdi32)
target_compile_options(test-player PRIVATE ${LUMIVEX_WARNINGS})

# The shipped engine's file: the shared section and the imported DLLs.
add_test(NAME engine_file_layout
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-engine-file.sh $<TARGET_FILE:lumivex> ${CMAKE_OBJDUMP})
# The import audit: the engine imports only from the four system DLLs, and only functions that the
# list gives with their first releases: Windows 95 and Windows NT 3.51 or earlier.
add_test(NAME engine_imports
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check-imports.py $<TARGET_FILE:lumivex>
                 ${CMAKE_SOURCE_DIR}/docs/engine-imports.md)
add_test(NAME engine_imports_audit_rules
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/scripts/check_imports_test.py
                 ${CMAKE_SOURCE_DIR}/scripts/check-imports.py $<TARGET_FILE:lumivex>
                 ${CMAKE_SOURCE_DIR}/docs/engine-imports.md $<TARGET_FILE:test-player>)
# The application manifest that Windows XP and later read from the engine's file.
add_test(NAME engine_manifest
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check-manifest.py $<TARGET_FILE:lumivex>)
# The pictures come out byte for byte as their sums say (on the pinned Pillow and fonts).
add_test(NAME art_reproducible
         COMMAND ${LUMIVEX_ART_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make-art.py ${CMAKE_BINARY_DIR}/art-check
                 --expect ${CMAKE_SOURCE_DIR}/resources/art.sha256)
# The engine's structure: no circular includes, the folders' directions, and the process-wide state.
add_test(NAME engine_architecture
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/check-architecture.py --nm ${CMAKE_NM}
                 $<TARGET_FILE:lumivex_win>)

include(${CMAKE_SOURCE_DIR}/tests/WindowsTests.cmake)
