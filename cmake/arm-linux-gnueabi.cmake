# Cross build for every 32-bit ARM Linux board, ARMv5TE and later, using Debian's
# g++-arm-linux-gnueabi (ARMv5TE, soft-float ABI): Raspberry Pi Zero/Zero W/1 (ARMv6), LEGO EV3
# (ARMv5), and the ARMv7 boards too. Every program is linked statically, so it carries its own C
# and C++ libraries and runs on a hard-float system as well: nothing at its interface depends on
# the float ABI. Programs built here run on this machine under qemu-arm, as the CPU named below.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CUBESOLVER_BOARD_CLASS armv5 CACHE STRING "Board class named in the package's file name")
# Without -cpu, qemu-arm accepts every ARM instruction. arm1176 is the Pi Zero's and Pi 1's
# ARMv6 core; arm926 the EV3's ARMv5 core.
set(CUBESOLVER_QEMU_CPU arm1176 CACHE STRING "CPU that qemu-arm emulates for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu ${CUBESOLVER_QEMU_CPU} -L /usr/arm-linux-gnueabi)
