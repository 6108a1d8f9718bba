"""The C boundary of silvantrope_log: loading the library, the buffer and
call-status structures, the wire converters and the call frame every export
goes through. Nothing here is public API."""

from __future__ import annotations

import ctypes
import functools
import inspect
import os
import struct
from collections import namedtuple
from collections.abc import Sequence

_NAMESPACE = "silvantrope_log"
_LIBRARY_ENV = "SILVANTROPE_LOG_LIBRARY"
_LIBRARY_FILE = "libsilvantrope_log.so"
_CONTRACT_VERSION = 30

# What each interface checksum was when these bindings were written; a library
# reporting anything else has a different interface.
_EXPECTED_CHECKSUMS = {
    "verify_inclusion": 0x5D09,
    "verify_consistency": 0x11AD,
    "key_history_v1_canonical_bytes": 0x18EA,
    "key_history_v1_entry_hash": 0x63E0,
    "key_history_entry_hash_with_context": 0x9EC4,
    "key_history_v1_rfc6962_leaf_hash": 0x6FFF,
    "verify_signed_note": 0x9603,
    "checkpoint_verify": 0xDC15,
    "checkpoint_parse": 0xFCBF,
    "checkpoint_verify_inclusion": 0x5787,
    "checkpoint_verify_consistency": 0x13C9,
    "coniks_verify_lookup": 0xF72B,
    "coniks_verify_absence": 0x534E,
    "verify_commitment": 0xFA0A,
    "signed_policy_verify": 0x18A0,
    "policy_enforce_checkpoint_signing_key": 0x719E,
    "policy_enforce_checkpoint_signature": 0x9AD7,
    "policy_enforce_vrf_suite_id": 0x9546,
    "policy_enforce_commitment_hash": 0x412C,
    "policy_enforce_directory_backend": 0xFDFB,
    "keytrans_verify_search": 0xCFA5,
    "keytrans_verify_fixed_version": 0x8A54,
    "keytrans_verify_monitor": 0x37DE,
    "keytrans_verify_search_suite": 0xE8EC,
    "keytrans_verify_fixed_version_suite": 0x1E22,
    "keytrans_verify_monitor_suite": 0xF697,
    "checkpoint_verify_cosigned": 0x3486,
    "tlog_policy_parse": 0x50A1,
    "checkpoint_verify_policy": 0x68F0,
    "tlog_proof_verify": 0xED16,
}

_I32_MAX = 2**31 - 1


# --- Errors -----------------------------------------------------------------


class InternalError(Exception):
    """The library or the boundary failed in a way no input should cause."""


class VerifyError(Exception):
    """A proof, signature or structure did not verify. Raised as its one
    variant, VerifyError.Verification, whose str is the library's message."""


class _Verification(VerifyError):
    def __repr__(self):
        return f"VerifyError.Verification({str(self)!r})"


_Verification.__name__ = "Verification"
_Verification.__qualname__ = "VerifyError.Verification"
VerifyError.Verification = _Verification
del _Verification

for _cls in (InternalError, VerifyError, VerifyError.Verification):
    _cls.__module__ = _NAMESPACE
del _cls


# --- Structures -------------------------------------------------------------


class _UniffiRustBuffer(ctypes.Structure):
    _fields_ = [
        ("capacity", ctypes.c_uint64),
        ("len", ctypes.c_uint64),
        ("data", ctypes.POINTER(ctypes.c_uint8)),
    ]

    def address(self):
        return ctypes.cast(self.data, ctypes.c_void_p).value

    def to_bytes(self):
        if self.len == 0:
            return b""
        if not self.data or self.len > self.capacity:
            raise InternalError("malformed RustBuffer returned by the library")
        return ctypes.string_at(self.data, self.len)


class _UniffiForeignBytes(ctypes.Structure):
    _fields_ = [
        ("len", ctypes.c_int32),
        ("data", ctypes.POINTER(ctypes.c_uint8)),
    ]


class _UniffiRustCallStatus(ctypes.Structure):
    _fields_ = [
        ("code", ctypes.c_int8),
        ("error_buf", _UniffiRustBuffer),
    ]

    CALL_SUCCESS = 0
    CALL_ERROR = 1
    CALL_UNEXPECTED_ERROR = 2


# --- Loading ----------------------------------------------------------------


def _open_library(environ=os.environ, package_dir=os.path.dirname(__file__)):
    """Opens the library at the path in SILVANTROPE_LOG_LIBRARY when that is
    set (and nowhere else), else the copy shipped inside the package, else the
    one the dynamic loader finds under its versioned name."""
    explicit = environ.get(_LIBRARY_ENV)
    candidates = [(_LIBRARY_ENV, explicit)] if explicit else [
        ("inside the package", os.path.join(package_dir, _LIBRARY_FILE)),
        ("the dynamic loader's search path", _LIBRARY_FILE + ".0")]
    tried = []
    for where, path in candidates:
        try:
            return ctypes.CDLL(path)
        except OSError as e:
            tried.append(f"  {where}: {e}")
    raise ImportError("cannot load the silvantrope_log library; tried:\n" + "\n".join(tried) +
                      f"\nset {_LIBRARY_ENV} to its path, or install it where the loader finds it")


def _check_contract_version(lib):
    lib.ffi_silvantrope_log_uniffi_contract_version.argtypes = []
    lib.ffi_silvantrope_log_uniffi_contract_version.restype = ctypes.c_uint32
    found = lib.ffi_silvantrope_log_uniffi_contract_version()
    if found != _CONTRACT_VERSION:
        raise InternalError(
            "UniFFI contract version mismatch: try cleaning and rebuilding your project "
            f"(library has {found}, bindings expect {_CONTRACT_VERSION})"
        )


def _check_api_checksums(lib, expected=_EXPECTED_CHECKSUMS):
    for name, value in expected.items():
        try:
            fn = getattr(lib, f"uniffi_{_NAMESPACE}_checksum_func_{name}")
        except AttributeError:
            fn = None
        if fn is not None:
            fn.argtypes = []
            fn.restype = ctypes.c_uint16
        if fn is None or fn() != value:
            raise InternalError(
                "UniFFI API checksum mismatch: try cleaning and rebuilding your project"
            )


def _setup_runtime(lib):
    status = ctypes.POINTER(_UniffiRustCallStatus)
    buf = _UniffiRustBuffer
    for name, argtypes, restype in (
        ("alloc", [ctypes.c_uint64, status], buf),
        ("from_bytes", [_UniffiForeignBytes, status], buf),
        ("free", [buf, status], None),
        ("reserve", [buf, ctypes.c_uint64, status], buf),
    ):
        fn = getattr(lib, f"ffi_{_NAMESPACE}_rustbuffer_{name}")
        fn.argtypes = argtypes
        fn.restype = restype


_UNIFFI_RUST_FUTURE_CONTINUATION_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_uint64, ctypes.c_int8)
_FUTURE_RESULTS = {
    "u8": ctypes.c_uint8, "i8": ctypes.c_int8, "u16": ctypes.c_uint16, "i16": ctypes.c_int16,
    "u32": ctypes.c_uint32, "i32": ctypes.c_int32, "u64": ctypes.c_uint64, "i64": ctypes.c_int64,
    "f32": ctypes.c_float, "f64": ctypes.c_double, "rust_buffer": _UniffiRustBuffer, "void": None,
}


def _setup_futures(lib):
    """Declares the async-future family. Nothing here is async, but generated
    bindings declare all 48 at import, so a library lacking one fails here as
    it would under them."""
    handle, status = ctypes.c_uint64, ctypes.POINTER(_UniffiRustCallStatus)
    for suffix, result in _FUTURE_RESULTS.items():
        for op, argtypes, restype in (
            ("poll", [handle, _UNIFFI_RUST_FUTURE_CONTINUATION_CALLBACK, ctypes.c_uint64], None),
            ("cancel", [handle], None),
            ("complete", [handle, status], result),
            ("free", [handle], None),
        ):
            name = f"ffi_{_NAMESPACE}_rust_future_{op}_{suffix}"
            try:
                fn = getattr(lib, name)
            except AttributeError:
                raise InternalError(f"the library does not export {name}") from None
            fn.argtypes = argtypes
            fn.restype = restype


def _load():
    lib = _open_library()
    _check_contract_version(lib)
    _check_api_checksums(lib)
    _setup_runtime(lib)
    _setup_futures(lib)
    return lib


_lib = _load()


# --- Calls ------------------------------------------------------------------


def _rust_call(fn, *args):
    """Calls a runtime function that has no error type of its own."""
    status = _UniffiRustCallStatus()
    result = fn(*args, ctypes.byref(status))
    _check_call_status(status)
    return result


def _rustbuffer_free(buf):
    _rust_call(_lib.ffi_silvantrope_log_rustbuffer_free, buf)


def _rustbuffer_from_bytes(data):
    """A library-owned buffer holding data, fit to be handed to an export."""
    data = bytes(data)
    buf = _rust_call(_lib.ffi_silvantrope_log_rustbuffer_alloc, len(data))
    if buf.len != len(data) or (data and not buf.data):
        _rustbuffer_free(buf)
        raise InternalError("rustbuffer_alloc returned a buffer of the wrong size")
    if data:
        ctypes.memmove(buf.data, data, len(data))
    return buf


def _consume(buf):
    """Copies a returned buffer out and frees it."""
    try:
        return buf.to_bytes()
    finally:
        _rustbuffer_free(buf)


def _check_call_status(status):
    code = status.code
    if code == _UniffiRustCallStatus.CALL_SUCCESS:
        return
    if code == _UniffiRustCallStatus.CALL_ERROR:
        raise _lift_verify_error(_consume(status.error_buf))
    if code == _UniffiRustCallStatus.CALL_UNEXPECTED_ERROR:
        message = _consume(status.error_buf).decode("utf-8", errors="replace")
        raise InternalError(message or "Unknown panic!")
    raise InternalError(f"Invalid RustCallStatus code: {code}")


def _lift_verify_error(data):
    stream = _Reader(data)
    variant = stream.read_i32()
    if variant != 1:
        raise InternalError(f"Raw enum value doesn't match any cases: {variant}")
    message = _UniffiConverterString.read(stream)
    stream.finish()
    return VerifyError.Verification(message)


# --- Wire format ------------------------------------------------------------


class _Reader:
    def __init__(self, data):
        self._data = memoryview(data)
        self._pos = 0

    def read(self, n):
        if n > len(self._data) - self._pos:
            raise InternalError("buffer returned by the library ended early")
        chunk = bytes(self._data[self._pos : self._pos + n])
        self._pos += n
        return chunk

    def read_i32(self):
        return struct.unpack(">i", self.read(4))[0]

    def read_length(self):
        n = self.read_i32()
        if n < 0:
            raise InternalError("negative length in a buffer returned by the library")
        return n

    def finish(self):
        left = len(self._data) - self._pos
        if left:
            raise InternalError(f"junk data left in buffer after lifting (count: {left})")


def _write_length(out, n):
    if n > _I32_MAX:
        raise ValueError(f"length {n} does not fit a signed 32-bit prefix")
    out += struct.pack(">i", n)


class _UInt64:
    ffi_type = ctypes.c_uint64
    CLASS_NAME, VALUE_MIN, VALUE_MAX = "u64", 0, 2**64
    _FORMAT = ">Q"

    def check_lower(self, value):
        try:
            value = value.__index__()
        except Exception:
            raise TypeError(
                f"'{type(value).__name__}' object cannot be interpreted as an integer"
            ) from None
        if not self.VALUE_MIN <= value < self.VALUE_MAX:
            raise ValueError(
                f"{self.CLASS_NAME} requires {self.VALUE_MIN} <= value < {self.VALUE_MAX}"
            )

    def lower(self, value):
        return value.__index__()

    def lift(self, value):
        return int(value)

    def write(self, value, out):
        out += struct.pack(self._FORMAT, value.__index__())

    def read(self, stream):
        return struct.unpack(self._FORMAT, stream.read(struct.calcsize(self._FORMAT)))[0]


class _UInt32(_UInt64):
    ffi_type = ctypes.c_uint32
    CLASS_NAME, VALUE_MIN, VALUE_MAX = "u32", 0, 2**32
    _FORMAT = ">I"


class _UInt16(_UInt64):
    ffi_type = ctypes.c_uint16
    CLASS_NAME, VALUE_MIN, VALUE_MAX = "u16", 0, 2**16
    _FORMAT = ">H"


class _UInt8(_UInt64):
    ffi_type = ctypes.c_uint8
    CLASS_NAME, VALUE_MIN, VALUE_MAX = "u8", 0, 2**8
    _FORMAT = ">B"


class _Boolean(_UInt8):
    """A bool: one byte, anything but 0 reading as true, as generated
    bindings read it."""

    CLASS_NAME = "bool"

    def check_lower(self, value):
        pass

    def lower(self, value):
        return 1 if value else 0

    def write(self, value, out):
        out.append(self.lower(value))

    def read(self, stream):
        return super().read(stream) != 0


class _RustBufferConverter:
    """A value carried in a RustBuffer as its serialization."""

    ffi_type = _UniffiRustBuffer

    def lower(self, value):
        out = bytearray()
        self.write(value, out)
        return bytes(out)

    def lift(self, buf):
        stream = _Reader(_consume(buf))
        value = self.read(stream)
        stream.finish()
        return value


class _Bytes(_RustBufferConverter):
    def check_lower(self, value):
        try:
            memoryview(value)
        except TypeError:
            raise TypeError(
                f"a bytes-like object is required, not '{type(value).__name__}'"
            ) from None

    def write(self, value, out):
        value = memoryview(value).tobytes()
        _write_length(out, len(value))
        out += value

    def read(self, stream):
        return stream.read(stream.read_length())


class _String(_RustBufferConverter):
    """A string. A top-level argument travels as its bare UTF-8 bytes, one
    inside another value with a length prefix."""

    def check_lower(self, value):
        if not isinstance(value, str):
            raise TypeError(f"argument must be str, not '{type(value).__name__}'")

    def lower(self, value):
        return value.encode("utf-8")

    def write(self, value, out):
        _UniffiConverterBytes.write(value.encode("utf-8"), out)

    def read(self, stream):
        try:
            return stream.read(stream.read_length()).decode("utf-8")
        except UnicodeDecodeError as e:
            raise InternalError(f"invalid UTF-8 in a string from the library: {e}") from None


class _Sequence(_RustBufferConverter):
    def __init__(self, inner):
        self.inner = inner

    def check_lower(self, value):
        if not isinstance(value, Sequence) or isinstance(value, (str, bytes, bytearray)):
            raise TypeError(f"a sequence is required, not '{type(value).__name__}'")
        for item in value:
            self.inner.check_lower(item)

    def write(self, value, out):
        _write_length(out, len(value))
        for item in value:
            self.inner.write(item, out)

    def read(self, stream):
        return [self.inner.read(stream) for _ in range(stream.read_length())]


class _Optional(_RustBufferConverter):
    def __init__(self, inner):
        self.inner = inner

    def check_lower(self, value):
        if value is not None:
            self.inner.check_lower(value)

    def write(self, value, out):
        if value is None:
            out.append(0)
        else:
            out.append(1)
            self.inner.write(value, out)

    def read(self, stream):
        tag = stream.read(1)[0]
        if tag == 0:
            return None
        if tag == 1:
            return self.inner.read(stream)
        raise InternalError("unexpected tag byte for Option")


class _Record(_RustBufferConverter):
    """A record, a dataclass: its fields' serializations one after another,
    in the order the class declares them."""

    def __init__(self, cls, *field_converters):
        names = list(cls.__dataclass_fields__)
        if len(names) != len(field_converters):
            raise TypeError(f"{cls.__name__}: one converter per field is needed")
        self.cls = cls
        self.fields = list(zip(names, field_converters))

    def check_lower(self, value):
        if not isinstance(value, self.cls):
            raise TypeError(f"{self.cls.__name__} is required, not '{type(value).__name__}'")
        for name, conv in self.fields:
            try:
                conv.check_lower(getattr(value, name))
            except (TypeError, ValueError) as e:
                raise type(e)(f"field '{name}': {e}") from None

    def write(self, value, out):
        for name, conv in self.fields:
            conv.write(getattr(value, name), out)

    def read(self, stream):
        return self.cls(**{name: conv.read(stream) for name, conv in self.fields})


class _Enum(_RustBufferConverter):
    """An enumeration without fields: its 1-based variant index as an i32.
    The Python enum's values are those indexes."""

    def __init__(self, cls):
        self.cls = cls

    def check_lower(self, value):
        if not isinstance(value, self.cls):
            raise TypeError(f"{self.cls.__name__} is required, not '{type(value).__name__}'")

    def write(self, value, out):
        out += struct.pack(">i", value.value)

    def read(self, stream):
        index = stream.read_i32()
        try:
            return self.cls(index)
        except ValueError:
            raise InternalError(f"Invalid {self.cls.__name__} enum value: {index}") from None


_UniffiConverterBool = _Boolean()
_UniffiConverterUInt8 = _UInt8()
_UniffiConverterUInt16 = _UInt16()
_UniffiConverterUInt32 = _UInt32()
_UniffiConverterUInt64 = _UInt64()
_UniffiConverterBytes = _Bytes()
_UniffiConverterString = _String()
_UniffiConverterSequenceBytes = _Sequence(_UniffiConverterBytes)
_UniffiConverterSequenceString = _Sequence(_UniffiConverterString)
_UniffiConverterOptionalBytes = _Optional(_UniffiConverterBytes)


def _lower_args(func_name, params, values):
    """Checks every argument, then lowers them; buffers are allocated only
    once all arguments are known to be good, and released again if an
    allocation fails part way."""
    for (name, conv), value in zip(params, values):
        try:
            conv.check_lower(value)
        except (TypeError, ValueError) as e:
            raise type(e)(f"{func_name}() argument '{name}': {e}") from None
    lowered = [conv.lower(value) for (_, conv), value in zip(params, values)]
    c_args = []
    try:
        for (_, conv), value in zip(params, lowered):
            if conv.ffi_type is _UniffiRustBuffer:
                value = _rustbuffer_from_bytes(value)
            c_args.append(value)
    except BaseException:
        for arg in c_args:
            if isinstance(arg, _UniffiRustBuffer):
                _rustbuffer_free(arg)
        raise
    return c_args


def _export(returns, *arg_converters):
    """Binds the decorated function's signature to the export of the same
    name: arg_converters lower its arguments in order and returns (None for
    no result) lifts the result. The decorated body is never run."""

    def bind(template):
        name = template.__name__
        sig = inspect.signature(template)
        if len(sig.parameters) != len(arg_converters):
            raise TypeError(f"{name}: one converter per argument is needed")
        params = list(zip(sig.parameters, arg_converters))
        fn = getattr(_lib, f"uniffi_{_NAMESPACE}_fn_func_{name}")
        fn.argtypes = [c.ffi_type for c in arg_converters] + [
            ctypes.POINTER(_UniffiRustCallStatus)
        ]
        fn.restype = returns.ffi_type if returns is not None else None

        @functools.wraps(template)
        def call(*args, **kwargs):
            values = sig.bind(*args, **kwargs).args
            c_args = _lower_args(name, params, values)
            status = _UniffiRustCallStatus()
            result = fn(*c_args, ctypes.byref(status))
            _check_call_status(status)
            return None if returns is None else returns.lift(result)

        return call

    return bind


# --- Raw access for tests ---------------------------------------------------

_RawBuffer = namedtuple("_RawBuffer", "capacity len address data")


def _snapshot(buf):
    data = ctypes.string_at(buf.data, buf.len) if buf.data and buf.len else b""
    return _RawBuffer(buf.capacity, buf.len, buf.address(), data)


def _call_raw(symbol, *c_args, status=None):
    """Calls an exported symbol with hand-built C arguments and returns
    (code, error_buf, result) without interpreting the outcome.

    error_buf is a _RawBuffer snapshot of the status' error buffer; it is
    freed when the code says it was filled. A RustBuffer result comes back as
    a snapshot too, after being freed; any other result as is. status may be
    a pre-filled _UniffiRustCallStatus (a zeroed one is used otherwise)."""
    fn = getattr(_lib, symbol)
    if fn.argtypes is None:
        raise ValueError(f"{symbol} has no prototype set up")
    CallStatus = _UniffiRustCallStatus
    if status is None:
        status = CallStatus()
    result = fn(*c_args, ctypes.byref(status))
    if isinstance(result, _UniffiRustBuffer):
        snap = _snapshot(result)
        _rustbuffer_free(result)
        result = snap
    error = _snapshot(status.error_buf)
    if status.code in (CallStatus.CALL_ERROR, CallStatus.CALL_UNEXPECTED_ERROR):
        _rustbuffer_free(status.error_buf)
    return status.code, error, result
