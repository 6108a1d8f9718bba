# SPDX-License-Identifier: Apache-2.0
"""The interface records in the built library, read back as uniffi-bindgen 0.31 reads them, against the
interface table in tests/data/uniffi_metadata.txt; each function's record hashes to its checksum export."""

import ctypes, os, pathlib, sys, unittest  # noqa: E401

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from uniffi_checksums import elf_symbols  # noqa: E402

from uniffi_metadata import checksum, render  # noqa: E402


class MetadataTest(unittest.TestCase):
    def test_records(self):
        lib = os.environ["SILVANTROPE_LOG_LIBRARY"]
        records = {n: b for n, b in elf_symbols(lib).items() if n.startswith("UNIFFI_META")}
        got = [line for symbol in sorted(records) for line in (symbol, *render(records[symbol]))]
        self.assertEqual(got, (ROOT / "tests" / "data" / "uniffi_metadata.txt").read_text().splitlines())
        for symbol, data in records.items():
            if "_FUNC_" in symbol:
                export = getattr(ctypes.CDLL(lib), "uniffi_silvantrope_log_checksum_func_" + symbol.split("_FUNC_")[1].lower())
                export.restype = ctypes.c_uint16
                self.assertEqual(export(), checksum(data), symbol)
