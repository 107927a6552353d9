# Windows test programs, run by ctest under Wine through the emulator wrapper.
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(win_test_support STATIC tests/win/support.cpp tests/win/thief.cpp tests/win/main.cpp)
target_include_directories(win_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/win)
target_link_libraries(win_test_support PUBLIC GTest::gtest)
target_compile_options(win_test_support PRIVATE ${LUMIVEX_WARNINGS})

# Unit tests of the Win32 code, with the engine's resources linked in.
add_executable(win_unit_tests
    tests/win/dialogs_test.cpp
    tests/win/images_test.cpp
    tests/win/leak_test.cpp
    tests/win/instance_test.cpp
    tests/win/messages_test.cpp
    tests/win/preview_test.cpp
    tests/win/saver_window_test.cpp
    tests/win/system_settings_test.cpp
    tests/e2e/stb_image_write_impl.cpp
    ${LUMIVEX_RESOURCE_SCRIPT}
)
target_include_directories(win_unit_tests SYSTEM PRIVATE ${LUMIVEX_STB_INCLUDE_DIR})
target_link_libraries(win_unit_tests PRIVATE win_test_support lumivex_win)
target_include_directories(win_unit_tests PRIVATE ${ART_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(win_unit_tests PRIVATE ${LUMIVEX_WARNINGS})
add_dependencies(win_unit_tests lumivex_art)

add_executable(instance_probe tests/win/instance_probe.cpp)
target_link_libraries(instance_probe PRIVATE lumivex_win_seams)

# End-to-end runs of the real engine.
add_executable(e2e_tests
    tests/e2e/dispatch_test.cpp
    tests/e2e/doctor_test.cpp
    tests/e2e/engine_files.cpp
    tests/e2e/fault_test.cpp
    tests/e2e/install_fault_test.cpp
    tests/e2e/install_test.cpp
    tests/e2e/password_test.cpp
    tests/e2e/preview_test.cpp
    tests/e2e/protection_test.cpp
    tests/e2e/removal_test.cpp
    tests/e2e/saver_test.cpp
    tests/e2e/signed_test.cpp
    tests/e2e/stb_image_write_impl.cpp
)
target_include_directories(e2e_tests SYSTEM PRIVATE ${LUMIVEX_STB_INCLUDE_DIR})
set_source_files_properties(tests/e2e/stb_image_write_impl.cpp PROPERTIES COMPILE_OPTIONS "-w")
target_link_libraries(e2e_tests PRIVATE win_test_support lumivex_win)
target_compile_options(e2e_tests PRIVATE ${LUMIVEX_WARNINGS})
add_executable(saver_running_probe tests/e2e/saver_running_probe.cpp)
add_dependencies(e2e_tests lumivex lumivex-test lumivex-pack test-player example-player saver_running_probe)

# The Windows tests run in groups, each in a Wine prefix (C:\windows, registry, desktop and X
# display) of its own, so groups never see each other's files, settings or windows and ctest can
# run them side by side.
function(windows_test_group name)
    cmake_parse_arguments(GROUP "" "" "COMMAND;ENVIRONMENT" ${ARGN})
    add_test(NAME ${name} COMMAND ${GROUP_COMMAND})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "LUMIVEX_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-${name};${GROUP_ENVIRONMENT}"
        TIMEOUT 900)
endfunction()

windows_test_group(win_unit_tests COMMAND win_unit_tests --probe=$<TARGET_FILE:instance_probe>)
set(E2E_OPTIONS
    --engine=$<TARGET_FILE:lumivex-test> --shipped-engine=$<TARGET_FILE:lumivex> --pack=$<TARGET_FILE:lumivex-pack>
    --art=${ART_DIR} --test-player=$<TARGET_FILE:test-player> --example-player=$<TARGET_FILE:example-player>
    --saver-running-probe=$<TARGET_FILE:saver_running_probe> --doubles=${CMAKE_BINARY_DIR})
# Each group: name, suites, and an environment setting of its own (empty: none). The last group
# takes every suite that no earlier group names, so a new suite always runs.
set(E2E_GROUPS
    "e2e_dispatch|EngineRun.*|"
    "e2e_install|InstallRun.*:Win31InstallRun.*|"
    "e2e_code_page_932|CodePage932InstallRun.*|LC_ALL=ja_JP.UTF-8"
    "e2e_saver|SaverRun.*|"
    "e2e_preview|DisplaySettingsPreview.*|"
    "e2e_player_faults|PlayerFault.*|"
    "e2e_protection|ProtectedShow.*|"
    "e2e_install_faults|InstallFault.*|"
    "e2e_doctor|Doctor.*|"
    "e2e_removal|RemovalRun.*|"
    "e2e_small_disk|SmallDiskInstall.*|LUMIVEX_WINDOWS_DISK_SPARE_MB=24")
set(named_suites "")
foreach(group IN LISTS E2E_GROUPS)
    string(REPLACE "|" ";" group "${group}")
    list(GET group 0 name)
    list(GET group 1 filter)
    list(LENGTH group fields)
    set(setting "")
    if(fields GREATER 2)
        list(GET group 2 setting)
    endif()
    if(setting)
        windows_test_group(${name} COMMAND e2e_tests --gtest_filter=${filter} ${E2E_OPTIONS} ENVIRONMENT ${setting})
    else()
        windows_test_group(${name} COMMAND e2e_tests --gtest_filter=${filter} ${E2E_OPTIONS})
    endif()
    string(APPEND named_suites ":${filter}")
endforeach()
# A maker's signing: the script signs installer and saver files with osslsigncode, assembled by the
# native tree's lumivex-pack (the tree beside this one, build/native), and runs the suite of them.
set(LUMIVEX_NATIVE_PACK ${CMAKE_BINARY_DIR}/../native/lumivex-pack CACHE FILEPATH "The native lumivex-pack")
windows_test_group(e2e_signed COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/signing_test.sh ${LUMIVEX_NATIVE_PACK}
                   ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:e2e_tests> $<TARGET_FILE:lumivex>
                   $<TARGET_FILE:lumivex-test> $<TARGET_FILE:test-player> ${ART_DIR} -- ${E2E_OPTIONS})
string(APPEND named_suites ":SignedFiles.*")
# A maker's Windows Installer package (wixl), built by the native lumivex-pack, installed, upgraded
# and removed with msiexec.
windows_test_group(e2e_msi COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/msi_test.sh ${LUMIVEX_NATIVE_PACK}
                   ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:lumivex> $<TARGET_FILE:test-player> ${ART_DIR})
string(SUBSTRING "${named_suites}" 1 -1 named_suites)
windows_test_group(e2e_password COMMAND e2e_tests --gtest_filter=-${named_suites} ${E2E_OPTIONS})

# The benchmark and its floors, run by scripts/bench.sh.
add_executable(launch_only tools/timing/launch_only.cpp)
add_executable(launch_with_dlls WIN32 tools/timing/launch_with_dlls.cpp)
target_sources(launch_with_dlls PRIVATE startup/c_library_exports.cpp)
target_link_libraries(launch_with_dlls PRIVATE lumivex_win kernel32 user32 gdi32 advapi32 gcc)
target_link_options(launch_with_dlls PRIVATE -nostdlib -Wl,-e,_launcherStart -Wl,--gc-sections)
add_executable(lumivex_bench tools/timing/bench.cpp)
target_link_libraries(lumivex_bench PRIVATE win_test_support lumivex_win)

# Stand-ins for the system's password services, installed into the prefix by the tests that
# need them.
foreach(double password_cpl mpr)
    add_library(${double} SHARED tests/doubles/${double}.cpp)
    set_target_properties(${double} PROPERTIES PREFIX "")
    target_link_options(${double} PRIVATE -Wl,--kill-at)
endforeach()
set_target_properties(password_cpl PROPERTIES OUTPUT_NAME PASSWORD SUFFIX .CPL)
set_target_properties(mpr PROPERTIES OUTPUT_NAME MPR SUFFIX .DLL)
add_dependencies(e2e_tests password_cpl mpr)
