# Fuzz build (clang): a libFuzzer target per family of untrusted input, over the code that needs
# no Win32, under AddressSanitizer and UndefinedBehaviorSanitizer.
set(FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

add_library(lumivex_fuzz_core STATIC ${LUMIVEX_CORE_SOURCES} ${LUMIVEX_STDIO_SOURCES} ${LUMIVEX_PACK_SOURCES})
lumivex_pack_target(lumivex_fuzz_core)
target_include_directories(lumivex_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(lumivex_fuzz_core PRIVATE ${LUMIVEX_WARNINGS} ${FUZZ_SANITIZERS} -fsanitize=fuzzer-no-link)

file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source IN LISTS FUZZ_SOURCES)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE lumivex_fuzz_core)
    target_compile_options(${name} PRIVATE ${LUMIVEX_WARNINGS} ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE ${FUZZ_SANITIZERS} -fsanitize=fuzzer)
endforeach()
