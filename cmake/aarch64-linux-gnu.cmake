# Cross build for 64-bit ARM Linux (AArch64, ARMv8-A), using Debian's g++-aarch64-linux-gnu:
# Raspberry Pi 3, 4, 5 and Zero 2 W running a 64-bit Raspberry Pi OS, and other arm64 boards.
# A 32-bit system on the same boards takes the armv7hf or armv5 build. The tests run under
# qemu-aarch64 as a Cortex-A53, the Pi 3's and Zero 2 W's core.
set(cubesolver_arm_triplet aarch64-linux-gnu)
set(cubesolver_arm_processor aarch64)
set(cubesolver_arm_qemu qemu-aarch64)
set(cubesolver_arm_class arm64)
set(cubesolver_deb_architecture arm64)
set(cubesolver_arm_cpu cortex-a53)
include(${CMAKE_CURRENT_LIST_DIR}/arm-linux.cmake)
