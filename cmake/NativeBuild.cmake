# Native build: the Win32-free code with GoogleTest, AddressSanitizer and UBSan.
set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SANITIZERS})
add_link_options(${SANITIZERS})

add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(lumivex_core STATIC ${LUMIVEX_CORE_SOURCES} ${LUMIVEX_STDIO_SOURCES})
target_include_directories(lumivex_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(lumivex_core PRIVATE ${LUMIVEX_WARNINGS})

# The tool that assembles installer files, on top of the same payload code.
add_library(lumivex_pack_lib STATIC ${LUMIVEX_PACK_SOURCES})
target_link_libraries(lumivex_pack_lib PUBLIC lumivex_core)
target_compile_options(lumivex_pack_lib PRIVATE ${LUMIVEX_WARNINGS})
lumivex_pack_target(lumivex_pack_lib)
add_executable(lumivex-pack tools/pack/main.cpp)
target_link_libraries(lumivex-pack PRIVATE lumivex_pack_lib)
target_compile_options(lumivex-pack PRIVATE ${LUMIVEX_WARNINGS})

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE lumivex_pack_lib GTest::gtest_main)
# The tests make PNG and JPEG pictures with stb_image_write.
target_include_directories(native_tests SYSTEM PRIVATE ${LUMIVEX_STB_INCLUDE_DIR})
set_source_files_properties(tests/native/stb_image_write_impl.cpp PROPERTIES COMPILE_OPTIONS "-w;-fno-sanitize=undefined")
target_compile_options(native_tests PRIVATE ${LUMIVEX_WARNINGS})

include(GoogleTest)
gtest_discover_tests(native_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
