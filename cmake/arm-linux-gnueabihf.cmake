# Cross build for 32-bit ARMv7 Linux with the hard-float ABI (Thumb-2, VFP, NEON), using
# Debian's g++-arm-linux-gnueabihf: Raspberry Pi 2/3/4/Zero 2 W in 32-bit mode, BeagleBone.
# It does not run on ARMv6 or ARMv5 (Pi Zero/1, EV3): cmake/arm-linux-gnueabi.cmake does.
# Programs built here run on this machine under qemu-arm (qemu-user), as the CPU named below.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
# Every program statically linked: it needs no library of the board's system.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CUBESOLVER_BOARD_CLASS armv7hf CACHE STRING "Board class named in the package's file name")
# Without -cpu, qemu-arm accepts every ARM instruction; naming the oldest CPU of the class
# makes the tests fail on an instruction that the class's boards lack.
set(CUBESOLVER_QEMU_CPU cortex-a7 CACHE STRING "CPU that qemu-arm emulates for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu ${CUBESOLVER_QEMU_CPU} -L /usr/arm-linux-gnueabihf)
