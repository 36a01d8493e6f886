# The board archive: `cmake --build <build> --target package` writes
# cubesolver-<version>-<class>.tar.gz, one directory holding the programs, the table files and a
# short README.txt, ready to copy to a board of that class. Included at the end of the top-level
# CMakeLists.txt, once every target exists.

# What goes into the archive, flat in its one directory: one line per program or file.
set(CUBESOLVER_BOARD_PROGRAMS
  cubesolver
  cubesolver-stream)
set(CUBESOLVER_BOARD_TABLE_FILES ${CUBESOLVER_BOARD_TABLE_NAMES})
list(TRANSFORM CUBESOLVER_BOARD_TABLE_FILES PREPEND "${CUBESOLVER_BUILD_TABLE_DIR}/")
set(CUBESOLVER_BOARD_FILES
  ${CUBESOLVER_BOARD_TABLE_FILES}
  "${CMAKE_CURRENT_SOURCE_DIR}/python/cubesolver.py"
  "${CMAKE_CURRENT_BINARY_DIR}/README.txt")

# The class names the archive; the toolchain files in cmake/ set it for the cross builds.
set(CUBESOLVER_BOARD_CLASS "${CMAKE_SYSTEM_PROCESSOR}" CACHE STRING
    "Board class named in the package's file name")
# Per class: the boards it is for, and what "Illegal instruction" on a board means.
set(boards_armv7hf "ARMv7 boards with a 32-bit hard-float (armhf) Linux: Raspberry Pi 2, 3, 4 and
Zero 2 W running a 32-bit Raspberry Pi OS, BeagleBone Black and other ARMv7 boards. It does not
run on the Raspberry Pi Zero, Zero W and 1 (ARMv6) or the LEGO EV3 (ARMv5): take the armv5
archive there.")
set(older_cpu_armv7hf "the board's processor is older than ARMv7: take the armv5 archive.")
set(boards_armv5 "every 32-bit ARM Linux board from ARMv5TE on, whatever its float ABI: Raspberry
Pi Zero, Zero W and 1 (ARMv6), LEGO Mindstorms EV3 with ev3dev (ARMv5), and the ARMv7 boards
(Raspberry Pi 2, 3, 4, Zero 2 W with a 32-bit OS, BeagleBone Black), for which there is an
armv7hf archive as well.")
set(older_cpu_armv5 "the board's processor is older than ARMv5TE, which no build supports.")
if(DEFINED boards_${CUBESOLVER_BOARD_CLASS})
  set(CUBESOLVER_BOARDS "${boards_${CUBESOLVER_BOARD_CLASS}}")
  set(CUBESOLVER_OLDER_CPU "${older_cpu_${CUBESOLVER_BOARD_CLASS}}")
else()
  set(CUBESOLVER_BOARDS "machines of this build's own kind (${CMAKE_SYSTEM_NAME} on ${CMAKE_SYSTEM_PROCESSOR}).")
  set(CUBESOLVER_OLDER_CPU "the machine lacks an instruction of the one that built it.")
endif()
list(JOIN CUBESOLVER_BOARD_TABLE_NAMES " " CUBESOLVER_TABLE_LIST)
configure_file(docs/board-README.txt.in README.txt @ONLY)

install(TARGETS ${CUBESOLVER_BOARD_PROGRAMS} DESTINATION . COMPONENT board EXCLUDE_FROM_ALL)
install(FILES ${CUBESOLVER_BOARD_FILES} DESTINATION . COMPONENT board EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_FILE_NAME "cubesolver-${PROJECT_VERSION}-${CUBESOLVER_BOARD_CLASS}")
# Only the board component, at the archive's top: `cmake --install` keeps its usual layout.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};cubesolver;board;/")
set(CPACK_STRIP_FILES ON)
include(CPack)
