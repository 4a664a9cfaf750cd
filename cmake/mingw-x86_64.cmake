# 64-bit Windows: the same sources, for running the Windows tests under Wine
# where the kernel cannot run 32-bit programs.
set(MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
