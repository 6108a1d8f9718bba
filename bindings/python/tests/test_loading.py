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
ENV = "SILVANTROPE_LOG_LIBRARY"


def load_fresh_copy(overrides):
    """Runs the loading module again, as an import would, against the real
    library with some of its functions replaced by stubs returning a value."""
    real_cdll = ctypes.CDLL

    class Overridden:
        def __init__(self, path):
            self._lib = real_cdll(path)

        def __getattr__(self, name):
            if name in overrides:
                return lambda: overrides[name]
            return getattr(self._lib, name)

    module = types.ModuleType("_fresh_silvantrope_log_ffi")
    module.__file__ = _ffi.__file__
    with open(_ffi.__file__, encoding="utf-8") as f:
        code = compile(f.read(), _ffi.__file__, "exec")
    with mock.patch("ctypes.CDLL", Overridden):
        exec(code, module.__dict__)
    return module


class LoadCheckTest(unittest.TestCase):
    def test_library_matches_the_binding(self):
        self.assertEqual(_ffi._lib.ffi_silvantrope_log_uniffi_contract_version(), 30)
        self.assertEqual(len(_ffi._EXPECTED_CHECKSUMS), 26)
        for name, value in _ffi._EXPECTED_CHECKSUMS.items():
            with self.subTest(name=name):
                self.assertEqual(getattr(_ffi._lib, f"uniffi_silvantrope_log_checksum_func_{name}")(), value)
        for name in sl.__all__:
            if name[0].islower():
                self.assertIn(name, _ffi._EXPECTED_CHECKSUMS)

    def test_each_checksum_is_compared(self):
        cases = [(name, {**_ffi._EXPECTED_CHECKSUMS, name: value ^ 0x8000})
                 for name, value in _ffi._EXPECTED_CHECKSUMS.items()]
        cases.append(("missing function", {**_ffi._EXPECTED_CHECKSUMS, "no_such_function": 1}))
        for name, expected in cases:
            with self.subTest(name=name):
                with self.assertRaises(sl.InternalError) as cm:
                    _ffi._check_api_checksums(_ffi._lib, expected)
                self.assertEqual(str(cm.exception), CHECKSUM_MISMATCH)

    def test_import(self):
        ok = load_fresh_copy({})
        self.assertEqual(ok._UniffiConverterBytes.lower(b"ab"), b"\x00\x00\x00\x02ab")
        cases = [
            ({"uniffi_silvantrope_log_checksum_func_keytrans_verify_monitor_suite": 0}, CHECKSUM_MISMATCH),
            ({"ffi_silvantrope_log_uniffi_contract_version": 31},
             "UniFFI contract version mismatch: try cleaning and rebuilding your project "
             "(library has 31, bindings expect 30)"),
        ]
        for overrides, message in cases:
            with self.subTest(overrides=overrides):
                with self.assertRaises(Exception) as cm:
                    load_fresh_copy(overrides)
                # The fresh copy has its own class of that name.
                self.assertEqual(type(cm.exception).__name__, "InternalError")
                self.assertEqual(str(cm.exception), message)


class LocateLibraryTest(unittest.TestCase):
    def test_order(self):
        with tempfile.TemporaryDirectory() as shipped_dir, tempfile.TemporaryDirectory() as empty_dir:
            shipped = os.path.join(shipped_dir, "libsilvantrope_log.so")
            open(shipped, "wb").close()
            explicit = {ENV: "/opt/x/libsilvantrope_log.so"}
            cases = [
                (explicit, shipped_dir, "/opt/x/libsilvantrope_log.so"),
                ({}, shipped_dir, shipped),
                ({ENV: ""}, shipped_dir, shipped),
                ({}, empty_dir, "libsilvantrope_log.so"),
            ]
            for environ, package_dir, want in cases:
                with self.subTest(environ=environ, package_dir=package_dir):
                    self.assertEqual(_ffi._locate_library(environ, package_dir), want)

    def test_environment_variable_is_used_on_import(self):
        parent = os.path.dirname(os.path.dirname(os.path.abspath(sl.__file__)))
        script = "import silvantrope_log as s; print(s.key_history_v1_rfc6962_leaf_hash(0, 0, b'', b'', b'', None).hex())"

        def run(library):
            env = dict(os.environ, PYTHONPATH=parent, **{ENV: library})
            return subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True, timeout=60)

        ok = run(_ffi._lib._name)
        self.assertEqual(ok.returncode, 0, ok.stderr)
        self.assertEqual(ok.stdout.strip(), hashlib.sha256(b"\x00\x00\x00\x00\x01" + bytes(32)).hexdigest())
        missing = run("/nonexistent/libsilvantrope_log.so")
        self.assertNotEqual(missing.returncode, 0)
        self.assertIn("OSError: /nonexistent/libsilvantrope_log.so", missing.stderr)


if __name__ == "__main__":
    unittest.main()
