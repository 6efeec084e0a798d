# 32-bit Linux build of the logic and its unit tests: x87 arithmetic, as in the 32-bit
# exe (i686 compilers default to -mfpmath=387; do not add -msse2 or -mfpmath=sse here).
# ctest and test discovery run the programs through scripts/run-i386.sh: natively where
# the kernel runs i386 programs, through qemu-i386 elsewhere, as DIAGRESO_I386 asks.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-i386.sh)
