# SPDX-License-Identifier: Apache-2.0
# The fuzz targets: each is fuzz/<name>.cpp defining LLVMFuzzerTestOneInput,
# with its seed corpus in fuzz/corpus/<name>/.
set(SILVANTROPE_FUZZ_TARGETS
  fuzz_lift
  fuzz_context_label
  fuzz_exports
  fuzz_base64
  fuzz_note
  fuzz_coniks
  fuzz_policy
  fuzz_keytrans
  fuzz_tiles)
