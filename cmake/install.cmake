# SPDX-License-Identifier: Apache-2.0
# `cmake --install`: the library (with its SONAME and development links), the
# C and C++ headers, slog with its bash completion and man page, a CMake
# package giving silvantrope_log::silvantrope_log, and a pkg-config file.
# Neither package file names libsodium: the library links it dynamically
# (its NEEDED entry) and no installed header includes it; libcrypto is linked
# in. Nothing is stripped: binding generators read the library's .symtab.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/silvantrope_log)
install(TARGETS silvantrope_log EXPORT silvantrope_log_targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT silvantrope_log_targets NAMESPACE silvantrope_log::
  FILE silvantrope_logTargets.cmake DESTINATION ${package_dir})
write_basic_package_version_file(silvantrope_logConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES cmake/silvantrope_logConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/silvantrope_logConfigVersion.cmake DESTINATION ${package_dir})

# slog finds the library relative to itself, wherever the prefix is.
file(RELATIVE_PATH bin_to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
set_target_properties(slog PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
install(TARGETS slog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/share/slog.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME slog)
install(FILES ${CMAKE_BINARY_DIR}/share/slog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The .pc file locates the prefix from its own directory, so it is relocatable.
file(RELATIVE_PATH pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" pc_to_prefix ${pc_to_prefix})
configure_file(cmake/silvantrope_log.pc.in silvantrope_log.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/silvantrope_log.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
