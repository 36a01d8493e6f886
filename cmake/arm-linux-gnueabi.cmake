# Cross build for every 32-bit ARM Linux board, ARMv5TE and later, using Debian's
# g++-arm-linux-gnueabi (ARMv5TE, soft-float ABI): Raspberry Pi Zero/Zero W/1 (ARMv6), LEGO EV3
# (ARMv5), and the ARMv7 boards too. Every program is linked statically, so it carries its own C
# and C++ libraries and runs on a hard-float system as well: nothing at its interface depends on
# the float ABI. The tests run as an ARM1176, the Pi Zero's and Pi 1's ARMv6 core (arm926 is the
# EV3's ARMv5 core).
set(cubesolver_arm_triplet arm-linux-gnueabi)
set(cubesolver_arm_class armv5)
set(cubesolver_deb_architecture armel)
set(cubesolver_arm_cpu arm1176)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
