# SPDX-License-Identifier: Apache-2.0
"""silvantrope_log for Python: the module uniffi-bindgen 0.31 generates from the library's
interface records (``silvantrope_log/silvantrope_log.py``, never edited), loaded from the first
place that has the library:

1. the full path in ``SILVANTROPE_LOG_LIBRARY``; when it is set, nothing else is tried;
2. ``libsilvantrope_log.so`` inside this package (the wheel ships one);
3. ``libsilvantrope_log.so.0``, the SONAME, through the dynamic loader's usual search.

The generated module checks the contract version and resolves every export at import; it
defines, but does not call, the check of each function's checksum: this loader calls it.
One thin layer remains: an argument the generated converters refuse is named in the error, and
a bytes-like argument other than bytes (a memoryview, an array) is passed as its bytes.
"""

import ctypes
import functools
import inspect
import os
import pathlib
import re
import traceback
import typing

ENV = "SILVANTROPE_LOG_LIBRARY"
SONAME = "libsilvantrope_log.so.0"


def _candidates() -> typing.List[str]:
    if ENV in os.environ:
        if not os.environ[ENV]:  # ctypes would load the interpreter itself
            raise ImportError(f"{ENV} is set but empty: give the library's full path, or unset it")
        return [os.environ[ENV]]
    return [str(pathlib.Path(__file__).resolve().parent / "libsilvantrope_log.so"), SONAME]


def _load() -> ctypes.CDLL:
    tried = []
    for path in _candidates():
        try:
            return ctypes.CDLL(path)
        except OSError as e:
            tried.append(f"{path}: {e}")
    raise ImportError("cannot load libsilvantrope_log; tried:\n  " + "\n  ".join(tried))


class _Loaded:  # stands in for ctypes.cdll while the generated module loads "its" library
    def __init__(self, lib: ctypes.CDLL) -> None:
        self.lib = lib

    def LoadLibrary(self, _path: str) -> ctypes.CDLL:  # noqa: N802 (ctypes' name)
        return self.lib


library = _load()
_cdll, ctypes.cdll = ctypes.cdll, _Loaded(library)  # type: ignore[assignment]
try:
    from . import silvantrope_log as _generated
except AttributeError as e:  # an export the generated module resolves is missing
    raise ImportError(f"{library._name} is not libsilvantrope_log: {e}") from None
finally:
    ctypes.cdll = _cdll
_generated._uniffi_check_api_checksums(_generated._UniffiLib)

from .silvantrope_log import *  # noqa: E402,F401,F403
from .silvantrope_log import __all__  # noqa: E402,F401


def _raw(value: typing.Any) -> typing.Any:
    """A bytes-like value other than bytes as its bytes: the generated writer counts a buffer's
    elements, not its bytes (an array('I') of 8 would go as 8 bytes). Anything else as it is."""
    if isinstance(value, (bytes, bytearray)):
        return value
    try:
        return memoryview(value).tobytes()
    except TypeError:
        return value


def _bytes_arguments(fn: typing.Callable[..., typing.Any]) -> typing.Dict[str, typing.Callable[[typing.Any], typing.Any]]:
    """For each parameter of fn that takes bytes, a list of bytes or optional bytes: its conversion."""
    out = {}
    for name, hint in typing.get_type_hints(fn).items():
        if name == "return":
            continue
        if hint in (bytes, typing.Optional[bytes]):
            out[name] = _raw
        elif hint == typing.List[bytes]:
            out[name] = lambda v: [_raw(x) for x in v] if isinstance(v, (list, tuple)) else v
    return out


def _naming(fn: typing.Callable[..., typing.Any]) -> typing.Callable[..., typing.Any]:
    """fn, with bytes-like arguments passed as their bytes, and a TypeError or ValueError of its
    generated argument checks naming the argument."""
    names = list(inspect.signature(fn).parameters)
    convert = _bytes_arguments(fn)

    @functools.wraps(fn)
    def call(*args: typing.Any, **kwargs: typing.Any) -> typing.Any:
        if convert:
            args = tuple(convert[n](a) if n in convert else a for n, a in zip(names, args))
            kwargs = {n: convert[n](a) if n in convert else a for n, a in kwargs.items()}
        try:
            return fn(*args, **kwargs)
        except (TypeError, ValueError) as e:
            frame = next((f for f in traceback.extract_tb(e.__traceback__) if f.name == fn.__name__), None)
            arg = re.search(r"check_lower\((\w+)\)", frame.line or "") if frame else None
            if arg is None:
                raise
            raise type(e)(f"{fn.__name__}() argument '{arg[1]}': {e}") from None
    return call


globals().update({name: _naming(getattr(_generated, name)) for name in __all__ if name.islower()})
