# find_package(silvantrope_log 0.1 CONFIG REQUIRED) gives the imported target
# silvantrope_log::silvantrope_log. The library links libsodium dynamically,
# so the package is found only where libsodium is.
include(CMakeFindDependencyMacro)
find_dependency(PkgConfig)
pkg_check_modules(silvantrope_log_sodium QUIET libsodium)
if(NOT silvantrope_log_sodium_FOUND)
  set(silvantrope_log_FOUND FALSE)
  set(silvantrope_log_NOT_FOUND_MESSAGE "libsodium, which libsilvantrope_log links, was not found by pkg-config")
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/silvantrope_logTargets.cmake)
