# SPDX-License-Identifier: Apache-2.0
"""silvantrope_log for Python: the module uniffi-bindgen 0.31 generates from the library's
interface records (``silvantrope_log/silvantrope_log.py``, never edited), loaded from the first
place that has the library:

1. the full path in ``SILVANTROPE_LOG_LIBRARY``; when it is set, nothing else is tried;
2. ``libsilvantrope_log.so`` inside this package (the wheel ships one);
3. ``libsilvantrope_log.so.0``, the SONAME, through the dynamic loader's usual search.

The generated module checks the contract version and resolves every export at import; it
defines, but does not call, the check of each function's checksum: this loader calls it.
One thin layer remains: an argument the generated converters refuse is named in the error.
"""

import ctypes
import functools
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


def _naming(fn: typing.Callable[..., typing.Any]) -> typing.Callable[..., typing.Any]:
    """fn, with a TypeError or ValueError of its generated argument checks naming the argument."""
    @functools.wraps(fn)
    def call(*args: typing.Any, **kwargs: typing.Any) -> typing.Any:
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
