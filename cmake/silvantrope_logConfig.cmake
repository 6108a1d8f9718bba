# SPDX-License-Identifier: Apache-2.0
# find_package(silvantrope_log 0.1 CONFIG REQUIRED) gives the imported target
# silvantrope_log::silvantrope_log (C header silvantrope_log.h, C++17 header
# silvantrope_log.hpp). Consumers need no other package: the library's own
# run-time dependencies are recorded in its ELF NEEDED entries, and no
# installed header includes a dependency's header.
include(${CMAKE_CURRENT_LIST_DIR}/silvantrope_logTargets.cmake)
