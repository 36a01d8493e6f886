# The packages: `cmake --build <build> --target package` writes, for the build's class,
# - the board archive cubesolver-<version>-<class>.tar.gz: one directory holding the programs, the
#   table files, the Python module and its wheel and a short README.txt, ready to copy to a board;
# - the Debian package cubesolver_<version>-<release>_<architecture>.deb: the same programs,
#   tables, module and wheel in the system's directories (what `cmake --install` puts under the
#   prefix /usr), with a manual page per program and the copyright and changelog files Debian
#   expects.
# Both draw on the lists below, so a file added to them (a table added to CUBESOLVER_TABLE_FILES,
# say) goes into both. Included at the end of the top-level CMakeLists.txt, once every target
# exists.

# What the packages hold, one line per program or file. The archive holds them flat in its one
# directory; an installation (and so the Debian package) puts each kind in its own directory.
set(CUBESOLVER_PACKAGE_PROGRAMS
  cubesolver
  cubesolver-stream)
# The tables of the board class (CUBESOLVER_BOARD_TABLE_NAMES: all of them, or all but the large
# optional one).
set(CUBESOLVER_PACKAGE_TABLES ${CUBESOLVER_BOARD_TABLE_NAMES})
list(TRANSFORM CUBESOLVER_PACKAGE_TABLES PREPEND "${CUBESOLVER_BUILD_TABLE_DIR}/")
set(CUBESOLVER_PACKAGE_MODULES
  "${CMAKE_CURRENT_SOURCE_DIR}/python/cubesolver.py")
# The module as a wheel too, beside the tables once installed, for the interpreters that do not
# import from the system's directories: a virtual environment (`pip install --no-index` takes it
# offline), pyenv's. Built with the standard library alone (tools/make-wheel.py).
set(CUBESOLVER_PACKAGE_WHEELS)
find_program(PYTHON3 python3)
if(PYTHON3)
  set(wheel "${CMAKE_CURRENT_BINARY_DIR}/cubesolver-${PROJECT_VERSION}-py3-none-any.whl")
  add_custom_command(OUTPUT "${wheel}"
    COMMAND "${PYTHON3}" "${CMAKE_CURRENT_SOURCE_DIR}/tools/make-wheel.py"
            "${CMAKE_CURRENT_SOURCE_DIR}/python/cubesolver.py" ${PROJECT_VERSION} "${wheel}"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/python/cubesolver.py"
            "${CMAKE_CURRENT_SOURCE_DIR}/tools/make-wheel.py"
    VERBATIM)
  list(APPEND CUBESOLVER_PACKAGE_WHEELS "${wheel}")
else()
  message(WARNING "python3 not found: the packages will hold no wheel of the Python module")
endif()
# Installed only: a manual page per program (docs/<program>.1, compressed as Debian wants them).
set(CUBESOLVER_MAN_PAGES ${CUBESOLVER_PACKAGE_PROGRAMS})
list(TRANSFORM CUBESOLVER_MAN_PAGES APPEND ".1.gz")
list(TRANSFORM CUBESOLVER_MAN_PAGES PREPEND "${CMAKE_CURRENT_BINARY_DIR}/man/")

# gzip -n: no name or time stamp in the file, so that a rebuild gives the same bytes.
find_program(GZIP gzip REQUIRED)
function(cubesolver_gzip source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND sh -c "'${GZIP}' -9nc '${source}' >'${output}.tmp' && mv '${output}.tmp' '${output}'"
    DEPENDS "${source}"
    VERBATIM)
endfunction()
foreach(program ${CUBESOLVER_PACKAGE_PROGRAMS})
  cubesolver_gzip("${CMAKE_CURRENT_SOURCE_DIR}/docs/${program}.1"
                  "${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz")
endforeach()
cubesolver_gzip("${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/changelog.Debian"
                "${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz")
add_custom_target(man_pages ALL DEPENDS ${CUBESOLVER_MAN_PAGES} ${CUBESOLVER_PACKAGE_WHEELS}
                                        "${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz")
# Whatever builds a program builds its manual page and the wheel, which are installed with it
# (./solve builds only the programs and the tables, and `cmake --install` must find the rest).
foreach(program ${CUBESOLVER_PACKAGE_PROGRAMS})
  add_dependencies(${program} man_pages)
endforeach()

# Installed layout, under any prefix: the programs find the tables in ../share/cubesolver, and the
# module finds cubesolver-stream in the bin/ three levels above its directory, which is where
# Debian's python3 imports from under the prefix /usr (with any other prefix, PYTHONPATH names it).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS ${CUBESOLVER_PACKAGE_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CUBESOLVER_PACKAGE_TABLES} DESTINATION "${CUBESOLVER_INSTALL_TABLE_DIR}")
install(FILES ${CUBESOLVER_PACKAGE_MODULES} DESTINATION lib/python3/dist-packages)
install(FILES ${CUBESOLVER_PACKAGE_WHEELS} DESTINATION "${CUBESOLVER_INSTALL_TABLE_DIR}")
install(FILES ${CUBESOLVER_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian's own files, in the Debian package only.
install(FILES cmake/debian/copyright "${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/cubesolver COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES cmake/debian/lintian-overrides RENAME cubesolver
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT debian EXCLUDE_FROM_ALL)

# The class names the archive; the toolchain files in cmake/ set it for the cross builds.
set(CUBESOLVER_BOARD_CLASS "${CMAKE_SYSTEM_PROCESSOR}" CACHE STRING
    "Board class named in the archive's file name")
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
set(boards_arm64 "64-bit ARM boards with a 64-bit (arm64) Linux: Raspberry Pi 3, 4, 5 and Zero 2 W
running a 64-bit Raspberry Pi OS, and other arm64 boards. With a 32-bit system on the same
boards, take the armv7hf archive.")
set(older_cpu_arm64 "the board runs a 32-bit system, or its processor is older than ARMv8: take
the armv7hf or armv5 archive.")
if(DEFINED boards_${CUBESOLVER_BOARD_CLASS})
  set(CUBESOLVER_BOARDS "${boards_${CUBESOLVER_BOARD_CLASS}}")
  set(CUBESOLVER_OLDER_CPU "${older_cpu_${CUBESOLVER_BOARD_CLASS}}")
else()
  set(CUBESOLVER_BOARDS "machines of this build's own kind (${CMAKE_SYSTEM_NAME} on ${CMAKE_SYSTEM_PROCESSOR}).")
  set(CUBESOLVER_OLDER_CPU "the machine lacks an instruction of the one that built it.")
endif()
list(JOIN CUBESOLVER_BOARD_TABLE_NAMES " " CUBESOLVER_TABLE_LIST)
configure_file(docs/board-README.txt.in README.txt @ONLY)

# The archive's layout: everything flat in its one directory.
install(TARGETS ${CUBESOLVER_PACKAGE_PROGRAMS} DESTINATION . COMPONENT board EXCLUDE_FROM_ALL)
install(FILES ${CUBESOLVER_PACKAGE_TABLES} ${CUBESOLVER_PACKAGE_MODULES}
        ${CUBESOLVER_PACKAGE_WHEELS} "${CMAKE_CURRENT_BINARY_DIR}/README.txt"
        DESTINATION . COMPONENT board EXCLUDE_FROM_ALL)

# The Debian package. Its version's Debian revision is that of the changelog's latest entry.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
file(STRINGS cmake/debian/changelog.Debian changelog_entry LIMIT_COUNT 1)
if(NOT changelog_entry MATCHES "^cubesolver \\(${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog.Debian: its latest entry is not for version "
                      "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}: ${changelog_entry}")
endif()
# The Debian architecture: the toolchain files name it; a native build is for this machine's.
set(CUBESOLVER_DEB_ARCHITECTURE "" CACHE STRING "Debian architecture of the package")
if(CUBESOLVER_DEB_ARCHITECTURE)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CUBESOLVER_DEB_ARCHITECTURE})
endif()
set(CPACK_PACKAGE_NAME cubesolver)
set(CPACK_PACKAGE_CONTACT "cubesolver maintainers <maintainers@users.noreply.c-seed-d1423a6c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "solver for the 3x3x3 Rubik's cube, for robots on small boards")
# Debian wants the description's lines within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "cubesolver reads the colours of the 54 stickers of a 3x3x3 cube
and prints the face turns that solve it (two-phase algorithm, at most 24
moves, in milliseconds), or why the stickers describe no cube it can solve.
cubesolver-stream answers one cube per line of its standard input with its
tables loaded once, and the Python 3 module cubesolver keeps one such
process for a program. The programs are statically linked, so that the
package installs on older Debian-based systems (ev3dev) as well.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Any architecture's python3 will do: on a Raspberry Pi OS for the Pi Zero and 1 (armhf, ARMv6),
# the armel package is installed as a foreign architecture's.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3:any")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/postinst"
  "${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/prerm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Each generator installs its own layout: the archive the board component at its top, the Debian
# package the installation under /usr and Debian's own files.
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_FILE_NAME "cubesolver-${PROJECT_VERSION}-${CUBESOLVER_BOARD_CLASS}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CUBESOLVER_ARCHIVE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};cubesolver;board;/")
set(CUBESOLVER_DEB_PROJECTS
  "${CMAKE_CURRENT_BINARY_DIR};cubesolver;ALL;/;${CMAKE_CURRENT_BINARY_DIR};cubesolver;debian;/")
file(CONFIGURE OUTPUT CPackLayout.cmake CONTENT [[
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS "@CUBESOLVER_DEB_PROJECTS@")
else()
  set(CPACK_INSTALL_CMAKE_PROJECTS "@CUBESOLVER_ARCHIVE_PROJECTS@")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
]] @ONLY)
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_BINARY_DIR}/CPackLayout.cmake")
set(CPACK_STRIP_FILES ON)
include(CPack)
