# What the ARM toolchain files share: Debian's cross compiler for the triplet they name, every
# program statically linked (it needs no library of the board's system), and the tests run on this
# machine under qemu-user (qemu-arm, or qemu-aarch64 for 64-bit ARM) as the CPU named. Without
# -cpu, qemu accepts every instruction of its architecture; naming the oldest CPU of the class
# makes the tests fail on an instruction that the class's boards lack.
if(NOT DEFINED cubesolver_arm_processor)
  set(cubesolver_arm_processor arm)
endif()
if(NOT DEFINED cubesolver_arm_qemu)
  set(cubesolver_arm_qemu qemu-arm)
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${cubesolver_arm_processor})

set(CMAKE_C_COMPILER ${cubesolver_arm_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${cubesolver_arm_triplet}-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/${cubesolver_arm_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CUBESOLVER_BOARD_CLASS ${cubesolver_arm_class} CACHE STRING
    "Board class named in the archive's file name")
# Debian's name for the architecture whose systems the Debian package is for.
set(CUBESOLVER_DEB_ARCHITECTURE ${cubesolver_deb_architecture} CACHE STRING
    "Debian architecture of the package")
set(CUBESOLVER_QEMU_CPU ${cubesolver_arm_cpu} CACHE STRING "CPU that qemu-user emulates for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${cubesolver_arm_qemu} -cpu ${CUBESOLVER_QEMU_CPU} -L /usr/${cubesolver_arm_triplet})
