// SPDX-License-Identifier: Apache-2.0
// Interface checksums: the bindings refuse a library whose values differ from
// those they were generated with.
//
// The header declares them returning uint16_t, as UniFFI's scaffolding does.
// The x86-64 C ABI leaves the upper bits of a 16-bit return register
// unspecified, and GCC fills them with the sign of a constant above 0x7fff;
// Rust and clang zero-extend, and the generated Kotlin reads the register as a
// 32-bit Int through JNA. So each is defined as a 32-bit function under the
// exported name, which returns the checksum zero-extended.

#include "silvantrope_log.h"

#define SILVANTROPE_LOG_DEFINE_CHECKSUM(name, value)                        \
  SILVANTROPE_LOG_API uint32_t silvantrope_log_checksum_##name(void) __asm__( \
      "uniffi_silvantrope_log_checksum_func_" #name);                        \
  uint32_t silvantrope_log_checksum_##name(void) { return value; }

extern "C" {
SILVANTROPE_LOG_CHECKSUMS(SILVANTROPE_LOG_DEFINE_CHECKSUM)
}
