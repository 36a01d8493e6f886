# What both ARM toolchain files share: Debian's cross compiler for the triplet they name, every
# program statically linked (it needs no library of the board's system), and the tests run on this
# machine under qemu-arm (qemu-user) as the CPU named. Without -cpu, qemu-arm accepts every ARM
# instruction; naming the oldest CPU of the class makes the tests fail on an instruction that the
# class's boards lack.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER ${cubesolver_arm_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${cubesolver_arm_triplet}-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/${cubesolver_arm_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CUBESOLVER_BOARD_CLASS ${cubesolver_arm_class} CACHE STRING
    "Board class named in the package's file name")
set(CUBESOLVER_QEMU_CPU ${cubesolver_arm_cpu} CACHE STRING "CPU that qemu-arm emulates for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu ${CUBESOLVER_QEMU_CPU} -L /usr/${cubesolver_arm_triplet})
