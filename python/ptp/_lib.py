"""The shared library and the C declarations this package uses.

The library is looked for in this order: the file named by PTP_LIBRARY; beside
an installed package (PREFIX/lib, the package being in
PREFIX/lib/pythonX.Y/site-packages); a build directory named build* at the top
of the source tree; then the system's loader path.
"""
import ctypes
import ctypes.util
import glob
import os

from ctypes import (POINTER, Structure, Union, c_bool, c_char, c_char_p, c_int32,
                    c_uint8, c_uint16, c_uint32, c_uint64, c_void_p)

_NAMES = ("libptp.so.0", "libptp.so", "libptp.dylib")

OBJECT_INFO_SIZE = 612
HANDLE_SD_CARD = 0xFFFFFFFF


class ObjectInfoRecord(Structure):
    """PtpObjectInfo: 612 bytes, packed to 4 so the 64-bit dates stay at 320 and 328."""
    _pack_ = 4
    _fields_ = [
        ("handle", c_uint32), ("objectFormat", c_uint16), ("protectionStatus", c_uint16),
        ("compressedSize", c_uint32), ("thumbFormat", c_uint16),
        ("thumbCompressedSize", c_uint32), ("thumbWidth", c_uint32), ("thumbHeight", c_uint32),
        ("imageWidth", c_uint32), ("imageHeight", c_uint32), ("imageBitDepth", c_uint32),
        ("parentObject", c_uint32), ("associationType", c_uint16),
        ("associationDesc", c_uint32), ("sequenceNumber", c_uint32), ("reserved1", c_uint32),
        ("fileName", c_char * 256), ("fileNameLength", c_uint16),
        ("captureDate", ctypes.c_int64), ("modificationDate", ctypes.c_int64),
        ("reserved2", c_uint32), ("keywords", c_char * 256), ("orientation", c_uint32),
        ("flags", c_uint32), ("reservedTail", c_uint8 * 8),
    ]


class ValueLabel(Structure):
    _fields_ = [("label", c_char * 32), ("value", c_uint32)]


class PropertyRecord(Structure):
    """The leading fields of PtpPropertyRecord; records are only read through pointers."""
    _fields_ = [
        ("code", c_uint32), ("name", c_char_p), ("dataType", c_uint32),
        ("currentValue", c_uint32), ("currentLabel", c_char * 64), ("valueCount", c_uint16),
        ("values", POINTER(ValueLabel)), ("access", c_uint8),
    ]


class _EventPayload(Union):
    _pack_ = 1
    _fields_ = [("params", c_uint32 * 2), ("data", c_void_p)]


class HostEvent(Structure):
    _pack_ = 1
    _fields_ = [("code", c_uint32), ("u", _EventPayload)]


assert ctypes.sizeof(ObjectInfoRecord) == OBJECT_INFO_SIZE
assert ObjectInfoRecord.captureDate.offset == 320 and ObjectInfoRecord.flags.offset == 600
assert ctypes.sizeof(ValueLabel) == 36 and ctypes.sizeof(HostEvent) == 12
assert PropertyRecord.valueCount.offset == 88 and PropertyRecord.access.offset == 104

_bytes_out = POINTER(POINTER(c_uint8))
_u32_out = POINTER(c_uint32)

# name: (result type, argument types)
_FUNCTIONS = {
    "PtpResult_Name": (c_char_p, [c_uint16]),
    "PtpLibraryVersion": (c_char_p, []),
    "FreeMemory": (None, [c_void_p]),
    "ConnectToServer": (c_int32, [c_char_p, c_char_p]),
    "CloseServerConnection": (c_int32, []),
    "PtpGenericInterface_Initialize": (None, [c_void_p, c_void_p, c_void_p, c_void_p]),
    "PtpGenericInterface_StartSession": (c_uint16, [c_uint8]),
    "PtpGenericInterface_SetConnectionHostMode": (c_uint16, [c_uint8, c_uint8]),
    "PtpGenericInterface_CameraManufacturer": (c_uint16, []),
    "PtpGenericInterface_GetCameraName": (c_char_p, []),
    "PtpGenericInterface_CameraSerialNumber": (c_char_p, []),
    "PtpGenericInterface_GetProperty": (POINTER(PropertyRecord), [c_uint32, c_uint8]),
    "PtpLockProperty": (c_bool, [POINTER(PropertyRecord)]),
    "PtpUnlockProperty": (c_bool, [POINTER(PropertyRecord)]),
    "PtpGenericInterface_SetPropertyValue": (c_uint16, [c_uint32, c_uint32, c_uint8]),
    "PtpGenericInterface_TakeAndWaitForShotToComplete": (c_uint16, []),
    "PtpGenericInterface_StartEventCheckLoop": (None, [c_void_p]),
    "PtpGenericInterface_StopEventCheckLoop": (c_bool, [c_uint8]),
    "PopEventPtr": (POINTER(HostEvent), []),
    "PtpGenericInterface_GetObjectHandles2": (c_uint16, [POINTER(POINTER(c_uint32)), _u32_out]),
    "PtpGenericInterface_GetObjectInfo": (c_uint16, [c_uint32, POINTER(ObjectInfoRecord)]),
    "PtpGenericInterface_GetObject": (c_uint16, [c_uint32, _bytes_out, _u32_out]),
    "PtpGenericInterface_GetPartialObject": (
        c_uint16, [c_uint32, c_uint32, c_uint32, _bytes_out, _u32_out]),
    "PtpGenericInterface_ToggleLiveView": (c_uint16, [c_uint32]),
    "PtpGenericInterface_GetLiveViewImage": (c_uint16, [_bytes_out, _u32_out]),
    "PtpSonyInterface_LiveViewOffset": (c_uint32, [POINTER(c_uint8), c_uint32]),
    "Comms_SD_GetAllFilenames": (c_uint16, [_bytes_out, _u32_out]),
    "Comms_SD_GetFileSize": (c_uint16, [c_char_p, POINTER(c_uint64)]),
    "Comms_SD_GetFile": (
        c_uint16, [c_char_p, _bytes_out, _u32_out, c_uint8, POINTER(ObjectInfoRecord)]),
    "Comms_SD_GetInfo": (c_uint16, [POINTER(c_uint64), POINTER(c_uint64)]),
}


def _candidates():
    override = os.environ.get("PTP_LIBRARY")
    if override:
        yield override
        return
    here = os.path.dirname(os.path.abspath(__file__))
    # Installed: PREFIX/lib/pythonX.Y/site-packages/ptp -> PREFIX/lib.
    lib_dir = os.path.normpath(os.path.join(here, "..", "..", ".."))
    for name in _NAMES:
        yield os.path.join(lib_dir, name)
    # Source tree: python/ptp -> the top, and its build directories.
    top = os.path.normpath(os.path.join(here, "..", ".."))
    builds = glob.glob(os.path.join(top, "build*", _NAMES[0]))
    for path in sorted(builds, key=os.path.getmtime, reverse=True):  # the newest build first
        yield path
    found = ctypes.util.find_library("ptp")
    if found:
        yield found
    yield _NAMES[0]  # the loader's own search (LD_LIBRARY_PATH, the cache)


def _load():
    errors = []
    for path in _candidates():
        if os.path.sep in path and not os.path.exists(path):
            continue
        try:
            lib = ctypes.CDLL(path)
            for name, (restype, argtypes) in _FUNCTIONS.items():
                fn = getattr(lib, name)
                fn.restype = restype
                fn.argtypes = argtypes
        except (OSError, AttributeError) as e:  # not loadable, or an older library
            errors.append(str(e))
            continue
        return lib
    raise ImportError("cannot load libptp (set PTP_LIBRARY to its path): " + "; ".join(errors))


lib = _load()


def take(data, length):
    """Copies a buffer the library handed out and releases it."""
    try:
        return ctypes.string_at(data, length.value) if data and length.value else b""
    finally:
        lib.FreeMemory(data)
