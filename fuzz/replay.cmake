# SPDX-License-Identifier: Apache-2.0
# Replays every fuzz target over its seed corpus with a plain main(), so the
# corpora run as regression tests in any build, gcc included. Meant to be
# include()d from tests/CMakeLists.txt (after enable_testing()).

include_guard(GLOBAL)

set(_silvantrope_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
include(${_silvantrope_fuzz_dir}/targets.cmake)

foreach(target IN LISTS SILVANTROPE_FUZZ_TARGETS)
  add_executable(replay_${target}
    ${_silvantrope_fuzz_dir}/${target}.cpp
    ${_silvantrope_fuzz_dir}/replay_main.cpp)
  target_link_libraries(replay_${target} PRIVATE silvantrope_ffi)
  target_compile_definitions(replay_${target} PRIVATE
    SILVANTROPE_SAMPLES="${_silvantrope_fuzz_dir}/../samples")
  # Sorted by name; CONFIGURE_DEPENDS picks up seeds added later.
  file(GLOB _seeds CONFIGURE_DEPENDS ${_silvantrope_fuzz_dir}/corpus/${target}/*)
  add_test(NAME replay_${target} COMMAND replay_${target} ${_seeds})
endforeach()
