// SPDX-License-Identifier: Apache-2.0
// Interface checksums: the bindings refuse a library whose values differ from
// those they were generated with.

#include "silvantrope_log.h"

#define SILVANTROPE_LOG_DEFINE_CHECKSUM(name, value) \
  uint16_t uniffi_silvantrope_log_checksum_func_##name(void) { return value; }

extern "C" {
SILVANTROPE_LOG_CHECKSUMS(SILVANTROPE_LOG_DEFINE_CHECKSUM)
}
