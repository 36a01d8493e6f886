# Cross build for 32-bit ARMv7 Linux with the hard-float ABI (Thumb-2, VFP, NEON), using
# Debian's g++-arm-linux-gnueabihf: Raspberry Pi 2/3/4/Zero 2 W in 32-bit mode, BeagleBone.
# It does not run on ARMv6 or ARMv5 (Pi Zero/1, EV3): cmake/arm-linux-gnueabi.cmake does.
# The tests run as a Cortex-A7, the Pi 2's core.
set(cubesolver_arm_triplet arm-linux-gnueabihf)
set(cubesolver_arm_class armv7hf)
set(cubesolver_deb_architecture armhf)
set(cubesolver_arm_cpu cortex-a7)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
