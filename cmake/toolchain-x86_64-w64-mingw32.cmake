# 64-bit Windows with MinGW-w64: the same sources, for machines whose kernel runs no 32-bit code
# (there the Windows tests run this build under 64-bit Wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LUMIVEX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCompilers.cmake)
