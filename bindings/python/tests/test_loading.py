"""Locating the library and the checks made when it is loaded."""

import ctypes
import hashlib
import os
import subprocess
import sys
import tempfile
import types
import unittest
from unittest import mock

import silvantrope_log as sl
from silvantrope_log import _ffi

CHECKSUM_MISMATCH = "UniFFI API checksum mismatch: try cleaning and rebuilding your project"
PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(sl.__file__)))


class _LibraryWithOverrides:
    """A loaded library whose named functions are replaced by stubs."""

    def __init__(self, lib, overrides):
        self._lib = lib
        self._overrides = overrides

    def __getattr__(self, name):
        if name in self._overrides:
            value = self._overrides[name]
            stub = lambda: value  # noqa: E731
            return stub
        return getattr(self._lib, name)


def load_fresh_copy(overrides):
    """Runs the loading module again, as an import would, against the real
    library with some functions overridden."""
    real_cdll = ctypes.CDLL
    module = types.ModuleType("_fresh_silvantrope_log_ffi")
    module.__file__ = _ffi.__file__
    with open(_ffi.__file__, encoding="utf-8") as f:
        code = compile(f.read(), _ffi.__file__, "exec")
    with mock.patch("ctypes.CDLL", lambda path: _LibraryWithOverrides(real_cdll(path), overrides)):
        exec(code, module.__dict__)
    return module


class LoadCheckTest(unittest.TestCase):
    def test_contract_version(self):
        self.assertEqual(_ffi._lib.ffi_silvantrope_log_uniffi_contract_version(), 30)

    def test_checksum_table_covers_the_interface(self):
        self.assertEqual(len(_ffi._EXPECTED_CHECKSUMS), 26)
        for name, value in _ffi._EXPECTED_CHECKSUMS.items():
            with self.subTest(name=name):
                fn = getattr(_ffi._lib, f"uniffi_silvantrope_log_checksum_func_{name}")
                self.assertEqual(fn(), value)
                self.assertLess(value, 2**16)

    def test_every_exported_function_is_checked(self):
        for name in sl.__all__:
            if name[0].islower():
                self.assertIn(name, _ffi._EXPECTED_CHECKSUMS)

    def test_real_library_passes(self):
        _ffi._check_contract_version(_ffi._lib)
        _ffi._check_api_checksums(_ffi._lib)

    def test_each_checksum_is_compared(self):
        for name in _ffi._EXPECTED_CHECKSUMS:
            with self.subTest(name=name):
                expected = dict(_ffi._EXPECTED_CHECKSUMS)
                expected[name] ^= 0x8000
                with self.assertRaises(sl.InternalError) as cm:
                    _ffi._check_api_checksums(_ffi._lib, expected)
                self.assertEqual(str(cm.exception), CHECKSUM_MISMATCH)

    def test_missing_checksum_function_is_a_mismatch(self):
        expected = {**_ffi._EXPECTED_CHECKSUMS, "no_such_function": 1}
        with self.assertRaises(sl.InternalError) as cm:
            _ffi._check_api_checksums(_ffi._lib, expected)
        self.assertEqual(str(cm.exception), CHECKSUM_MISMATCH)

    def test_fresh_load_of_the_real_library_succeeds(self):
        module = load_fresh_copy({})
        self.assertEqual(
            module._UniffiConverterBytes.lower(b"ab"), b"\x00\x00\x00\x02ab"
        )

    def test_import_fails_on_checksum_mismatch(self):
        for name, value in [("verify_inclusion", 0x5D08), ("keytrans_verify_monitor_suite", 0)]:
            with self.subTest(name=name):
                with self.assertRaises(Exception) as cm:
                    load_fresh_copy({f"uniffi_silvantrope_log_checksum_func_{name}": value})
                self.assertEqual(type(cm.exception).__name__, "InternalError")
                self.assertEqual(str(cm.exception), CHECKSUM_MISMATCH)

    def test_import_fails_on_contract_version_mismatch(self):
        for version in (29, 31, 0):
            with self.subTest(version=version):
                with self.assertRaises(Exception) as cm:
                    load_fresh_copy({"ffi_silvantrope_log_uniffi_contract_version": version})
                self.assertEqual(type(cm.exception).__name__, "InternalError")
                self.assertTrue(
                    str(cm.exception).startswith("UniFFI contract version mismatch: "),
                    str(cm.exception),
                )
                self.assertIn(str(version), str(cm.exception))


class LocateLibraryTest(unittest.TestCase):
    def test_order(self):
        with tempfile.TemporaryDirectory() as shipped_dir, tempfile.TemporaryDirectory() as empty_dir:
            shipped = os.path.join(shipped_dir, "libsilvantrope_log.so")
            open(shipped, "wb").close()
            env = {"SILVANTROPE_LOG_LIBRARY": "/opt/x/libsilvantrope_log.so"}
            cases = [
                (env, shipped_dir, "/opt/x/libsilvantrope_log.so"),
                (env, empty_dir, "/opt/x/libsilvantrope_log.so"),
                ({}, shipped_dir, shipped),
                ({"SILVANTROPE_LOG_LIBRARY": ""}, shipped_dir, shipped),
                ({}, empty_dir, "libsilvantrope_log.so"),
            ]
            for environ, package_dir, want in cases:
                with self.subTest(environ=environ, package_dir=package_dir):
                    self.assertEqual(_ffi._locate_library(environ, package_dir), want)

    def import_in_subprocess(self, library):
        env = dict(os.environ, PYTHONPATH=PACKAGE_PARENT, SILVANTROPE_LOG_LIBRARY=library)
        script = (
            "import silvantrope_log as s\n"
            "print(s.key_history_v1_rfc6962_leaf_hash(0, 0, b'', b'', b'', None).hex())\n"
        )
        return subprocess.run(
            [sys.executable, "-c", script],
            env=env,
            capture_output=True,
            text=True,
            timeout=60,
        )

    def test_environment_variable_is_used(self):
        ok = self.import_in_subprocess(_ffi._lib._name)
        self.assertEqual(ok.returncode, 0, ok.stderr)
        genesis = b"\x00\x00\x00\x01" + bytes(32)
        self.assertEqual(ok.stdout.strip(), hashlib.sha256(b"\x00" + genesis).hexdigest())

        missing = self.import_in_subprocess("/nonexistent/libsilvantrope_log.so")
        self.assertNotEqual(missing.returncode, 0)
        self.assertIn("OSError", missing.stderr)
        self.assertIn("/nonexistent/libsilvantrope_log.so", missing.stderr)


if __name__ == "__main__":
    unittest.main()
