# SPDX-License-Identifier: Apache-2.0
# The bindings uniffi-bindgen generates from the built library's interface records
# (library mode): Python, Kotlin, Swift and Ruby, under build/<preset>/bindings/.
# The generator is uniffi 0.31.2's, pinned by tools/uniffi-bindgen/Cargo.lock and built
# with `cargo build --locked` in a target folder under ~/.cargo that every clone on the
# machine shares (cargo locks it), then copied to build/uniffi-bindgen/uniffi-bindgen.
set(UNIFFI_BINDGEN_DIR ${CMAKE_SOURCE_DIR}/tools/uniffi-bindgen)
set(UNIFFI_BINDGEN ${CMAKE_SOURCE_DIR}/build/uniffi-bindgen/uniffi-bindgen)
find_program(CARGO cargo HINTS $ENV{HOME}/.cargo/bin REQUIRED)
set(cargo_target $ENV{HOME}/.cargo/target-silvantrope-uniffi-bindgen)
add_custom_command(
  OUTPUT ${UNIFFI_BINDGEN}
  COMMAND ${CMAKE_COMMAND} -E env CARGO_TARGET_DIR=${cargo_target}
          ${CARGO} build --locked --release --quiet --manifest-path ${UNIFFI_BINDGEN_DIR}/Cargo.toml
  COMMAND ${CMAKE_COMMAND} -E copy ${cargo_target}/release/uniffi-bindgen ${UNIFFI_BINDGEN}
  DEPENDS ${UNIFFI_BINDGEN_DIR}/Cargo.toml ${UNIFFI_BINDGEN_DIR}/Cargo.lock ${UNIFFI_BINDGEN_DIR}/src/main.rs
  COMMENT "Building uniffi-bindgen 0.31.2")

set(BINDINGS_DIR ${CMAKE_BINARY_DIR}/bindings)
set(PYTHON_PACKAGE_FILES
  ${CMAKE_SOURCE_DIR}/bindings/python/silvantrope_log/__init__.py
  ${CMAKE_SOURCE_DIR}/bindings/python/silvantrope_log/py.typed)
add_custom_command(
  OUTPUT ${BINDINGS_DIR}/stamp
  COMMAND ${CMAKE_SOURCE_DIR}/bindings/generate.sh ${UNIFFI_BINDGEN}
          $<TARGET_LINKER_FILE:silvantrope_log> ${BINDINGS_DIR} ${PYTHON_PACKAGE_FILES}
  DEPENDS silvantrope_log ${UNIFFI_BINDGEN} ${CMAKE_SOURCE_DIR}/bindings/generate.sh ${PYTHON_PACKAGE_FILES}
  COMMENT "Generating the Python, Kotlin, Swift and Ruby bindings")
add_custom_target(bindings ALL DEPENDS ${BINDINGS_DIR}/stamp)
# The platform wheel, library inside: build/<preset>/bindings/python/dist.
add_custom_target(python_wheel
  COMMAND ${CMAKE_SOURCE_DIR}/bindings/python/wheel.sh ${BINDINGS_DIR} $<TARGET_LINKER_FILE:silvantrope_log>
  DEPENDS bindings)
