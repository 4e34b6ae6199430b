"""Camera: one session with a camera behind a Tetherhub, in plain Python."""
import collections.abc
import ctypes
import os
import re
import threading
import time
from dataclasses import dataclass, field
from fractions import Fraction

from . import _lib
from ._lib import lib, take
from .errors import PtpError, check

_OK = 0x2001
_BUSY = (0x2019, 0xA102)
_OBJECT_ADDED, _OBJECT_REMOVED, _PROPERTY_CHANGED = 0x4002, 0x4003, 0x4006
_EVENT_NAMES = {_OBJECT_ADDED: "ObjectAdded", _OBJECT_REMOVED: "ObjectRemoved",
                _PROPERTY_CHANGED: "DevicePropChanged", 0x400C: "StoreFull",
                0x400D: "CaptureComplete"}
_VENDORS = {12: "Fujifilm", 13: "Canon", 14: "Sony", 15: "Nikon"}
# The code ranges properties live in: the standard ones and the vendors'.
_PROPERTY_RANGES = ((0x5000, 0x50FF), (0xD000, 0xD3FF), (0xEE00, 0xEEFF))
# Objects larger than this are read in parts of this size, with progress.
_PART = 1 << 20
# How long a shot has to announce its picture; a second file of the same shot
# (RAW+JPEG) follows within the settle time.
_ANNOUNCE_WAIT, _SETTLE = 10.0, 0.7
_POLL = 0.05

# One camera session per process: the library's state is process-wide.
_open_camera = None


@dataclass(frozen=True)
class ObjectInfo:
    """A camera object (picture, movie) as the camera describes it."""
    handle: int
    filename: str
    format: int
    size: int
    width: int
    height: int
    capture_date: int  # local time in seconds, 0 when absent
    record: bytes = field(repr=False, default=b"")  # the library's 612-byte record

    @classmethod
    def from_record(cls, r):
        return cls(r.handle, r.fileName.decode("latin-1"), r.objectFormat, r.compressedSize,
                   r.imageWidth, r.imageHeight, r.captureDate, bytes(r))


@dataclass(frozen=True)
class Event:
    """A camera event: object carries the new or removed object, prop the property's name."""
    code: int
    name: str
    params: tuple = ()
    object: ObjectInfo = None
    prop: str = None


def _number(text):
    """The value of "800", "f5.6", "1/250", "+1 1/3", "-2/3" (as a Fraction), or None."""
    text = text.strip().lower().replace("\u2212", "-")
    text = re.sub(r"^(iso|f/?)\s*", "", text)
    m = re.fullmatch(r"([+-]?)\s*(\d+(?:\.\d+)?)?(?:\s*(\d+)/(\d+))?\"?s?", text)
    if not m or (m.group(2) is None and m.group(3) is None):
        return None
    whole = Fraction(m.group(2)) if m.group(2) else 0
    part = Fraction(int(m.group(3)), int(m.group(4))) if m.group(3) and int(m.group(4)) else 0
    value = whole + part
    return -value if m.group(1) == "-" else value


@dataclass(frozen=True)
class Property:
    """A snapshot of one device property: its value, its label and what it allows."""
    code: int
    name: str
    value: int
    label: str
    choices: tuple  # (label, value) pairs; empty when any value is accepted
    writable: bool

    @property
    def labels(self):
        return [label for label, _ in self.choices]

    def __str__(self):
        return self.label

    def resolve(self, wanted):
        """The raw value for a label ("ISO 800"), natural input (800, "f8", "+1 1/3")
        or a raw value; ValueError when nothing matches a listed property."""
        if not self.choices:
            return int(wanted)
        text = str(wanted).strip()
        for label, value in self.choices:
            if label.lower() == text.lower():
                return value
        number = _number(text)
        if number is not None:
            for label, value in self.choices:
                if _number(label) == number:
                    return value
        if isinstance(wanted, int):
            return wanted  # a raw value: the camera decides
        raise ValueError("%r is not a value of %s (%s)" % (wanted, self.name,
                                                            ", ".join(self.labels)))


def _snapshot(record):
    lib.PtpLockProperty(record)
    try:
        r = record.contents
        choices = tuple((r.values[i].label.decode("latin-1"), r.values[i].value)
                        for i in range(r.valueCount if r.values else 0))
        return Property(r.code, (r.name or b"").decode("latin-1"), r.currentValue,
                        r.currentLabel.decode("latin-1"), choices, bool(r.access))
    finally:
        lib.PtpUnlockProperty(record)


class Properties(collections.abc.Mapping):
    """The camera's properties by name (any case) or code. Reading gives a Property;
    assigning a label, natural input or raw value writes it to the camera."""

    def _records(self):
        for low, high in _PROPERTY_RANGES:
            for code in range(low, high + 1):
                record = lib.PtpGenericInterface_GetProperty(code, 0)
                if record:
                    yield record

    def _find(self, key):
        if isinstance(key, int):
            record = lib.PtpGenericInterface_GetProperty(key, 0)
            if record:
                return record
        else:
            for record in self._records():
                name = record.contents.name
                if name and name.decode("latin-1").lower() == str(key).lower():
                    return record
        raise KeyError(key)

    def __getitem__(self, key):
        return _snapshot(self._find(key))

    def __setitem__(self, key, wanted):
        prop = self[key]
        value = prop.resolve(wanted)
        rc = lib.PtpGenericInterface_SetPropertyValue(prop.code, value & 0xFFFFFFFF, 1)
        if rc != _OK:
            why = "%s is read-only" % prop.name if not prop.writable else \
                "setting %s to %r" % (prop.name or hex(prop.code), wanted)
            raise PtpError(rc, why)

    def __iter__(self):
        seen = set()
        for record in self._records():
            name = record.contents.name
            key = name.decode("latin-1") if name else record.contents.code
            if key not in seen:  # a name two codes share is listed once
                seen.add(key)
                yield key

    def __len__(self):
        return sum(1 for _ in self)


class SdCard:
    """The Tetherhub's own SD card."""

    def list(self):
        """The names of the card's files."""
        data, length = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_uint32()
        check(lib.Comms_SD_GetAllFilenames(ctypes.byref(data), ctypes.byref(length)),
              "listing the SD card")
        text = take(data, length).decode("latin-1")
        return [n for n in re.split(r"[\0\r\n]+", text) if n]

    def size(self, name):
        size = ctypes.c_uint64()
        check(lib.Comms_SD_GetFileSize(name.encode(), ctypes.byref(size)), name)
        return size.value

    def get(self, name, path=None):
        """The file's bytes; written to path (a file or a folder) when given."""
        data, length = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_uint32()
        check(lib.Comms_SD_GetFile(name.encode(), ctypes.byref(data), ctypes.byref(length), 0,
                                   None), name)
        content = take(data, length)
        if path is not None:
            _write(path, os.path.basename(name), [content])
        return content

    def space(self):
        """(free, total) bytes."""
        free, total = ctypes.c_uint64(), ctypes.c_uint64()
        check(lib.Comms_SD_GetInfo(ctypes.byref(free), ctypes.byref(total)), "SD card space")
        return free.value, total.value


def _write(path, default_name, parts, progress=None, total=None):
    """Writes the parts (an iterable of bytes) to path, or to default_name in the
    folder path (a missing folder is made); a failure leaves no file behind.
    Returns the path written."""
    path = os.fspath(path)
    if os.path.isdir(path) or path.endswith(os.sep):
        path = os.path.join(path, os.path.basename(default_name) or "object.bin")
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    partial = path + ".part"
    done = 0
    try:
        with open(partial, "wb") as out:
            for part in parts:
                out.write(part)
                done += len(part)
                if progress:
                    progress(done, total if total is not None else done)
        os.replace(partial, path)
    except BaseException:
        if os.path.exists(partial):
            os.remove(partial)
        raise
    return path


class Camera:
    """A camera session through the Tetherhub at host:port.

    Connects and starts the session at once; use it as a context manager (or
    call close()). One camera per process: the library's state is process-wide.
    Raises ConnectionError when the hub cannot be reached, PtpError when the
    session does not start."""

    def __init__(self, host="127.0.0.1", port=5000):
        global _open_camera
        if _open_camera is not None:
            raise RuntimeError("a camera session is already open in this process")
        if lib.ConnectToServer(str(host).encode(), str(port).encode()) < 0:
            raise ConnectionError("cannot connect to %s:%s" % (host, port))
        lib.PtpGenericInterface_Initialize(None, None, None, None)
        rc = lib.PtpGenericInterface_StartSession(0)
        if rc != _OK:
            lib.CloseServerConnection()
            raise PtpError(rc, "starting the session")
        # Cameras with priority modes take writes and shots only in host priority.
        lib.PtpGenericInterface_SetConnectionHostMode(1, 0)
        _open_camera = self
        self._lock = threading.Lock()  # guards _pending and the library's event view
        self._pending = []             # events taken from the library, not yet handed out
        self._shot = None              # the thread of the last shot, until joined
        self._shot_result = None
        self.properties = Properties()
        self.sd_card = SdCard()
        while lib.PopEventPtr():  # what the session start queued is not news
            pass
        lib.PtpGenericInterface_StartEventCheckLoop(None)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        global _open_camera
        if _open_camera is not self:
            return
        self._join_shot(None, report=False)
        lib.PtpGenericInterface_StopEventCheckLoop(1)
        lib.CloseServerConnection()
        _open_camera = None

    # --- identity ---------------------------------------------------------
    @property
    def model(self):
        name = lib.PtpGenericInterface_GetCameraName()
        return name.decode("latin-1") if name else ""

    @property
    def vendor(self):
        return _VENDORS.get(lib.PtpGenericInterface_CameraManufacturer(), "")

    @property
    def serial_number(self):
        serial = lib.PtpGenericInterface_CameraSerialNumber()
        return serial.decode("latin-1") if serial else ""

    # --- events ---------------------------------------------------------
    def _pump(self):
        """Moves the library's queued events to ours (the library reuses its view)."""
        with self._lock:
            while True:
                e = lib.PopEventPtr()
                if not e:
                    return
                code, data = e.contents.code, e.contents.u.data
                params = tuple(e.contents.u.params)
                obj = prop = None
                if code in (_OBJECT_ADDED, _OBJECT_REMOVED) and data:
                    obj = ObjectInfo.from_record(_lib.ObjectInfoRecord.from_buffer_copy(
                        ctypes.string_at(data, _lib.OBJECT_INFO_SIZE)))
                    params = ()
                elif code == _PROPERTY_CHANGED and data:
                    record = ctypes.cast(data, ctypes.POINTER(_lib.PropertyRecord)).contents
                    prop = (record.name or b"").decode("latin-1") or hex(record.code)
                    params = ()
                name = _EVENT_NAMES.get(code, "0x%04X" % code)
                self._pending.append(Event(code, name, params, obj, prop))

    def _next_event(self, deadline):
        while True:
            self._pump()
            with self._lock:
                if self._pending:
                    return self._pending.pop(0)
            if deadline is not None and time.monotonic() >= deadline:
                return None
            time.sleep(_POLL)

    def events(self, timeout=None):
        """Yields the camera's events as they come; ends after timeout seconds
        (None: never). ObjectAdded events carry the new object's ObjectInfo."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            event = self._next_event(deadline)
            if event is None:
                return
            yield event

    # --- capture ----------------------------------------------------------
    def _join_shot(self, timeout, report=True):
        if self._shot is None:
            return
        self._shot.join(timeout)
        if self._shot.is_alive():
            return
        self._shot = None
        if report:
            check(self._shot_result, "capture")

    def shoot(self):
        """Takes a picture without waiting for it: its ObjectAdded event comes
        through events(). Raises PtpError when the previous shot failed."""
        self._join_shot(None)

        def run():
            self._shot_result = lib.PtpGenericInterface_TakeAndWaitForShotToComplete()
        self._shot = threading.Thread(target=run, daemon=True)
        self._shot.start()

    def capture(self):
        """Takes a picture and returns the new object's ObjectInfo. Further files of
        the same shot (the JPEG of RAW+JPEG) stay queued as ObjectAdded events."""
        self.shoot()
        deadline = time.monotonic() + _ANNOUNCE_WAIT
        others, added = [], None
        while added is None:
            event = self._next_event(min(deadline, time.monotonic() + _POLL))
            if event is not None and event.code == _OBJECT_ADDED and event.object:
                added = event.object
            elif event is not None:
                others.append(event)
            elif not self._shot.is_alive() and self._shot_result != _OK:
                break
            elif time.monotonic() >= deadline:
                break
        with self._lock:
            self._pending[:0] = others
        # A camera that holds a shot until the host reads it ends its wait later.
        self._join_shot(_SETTLE)
        if added is None:
            raise PtpError(0xFF00, "the camera announced no new picture")
        if added.handle == _lib.HANDLE_SD_CARD:
            added = self._waiting_capture(added)
        return added

    def _waiting_capture(self, named):
        """An object announced by name only: the camera's waiting capture, read
        through the first handle of its listing."""
        handles, count = ctypes.POINTER(ctypes.c_uint32)(), ctypes.c_uint32()
        check(lib.PtpGenericInterface_GetObjectHandles2(ctypes.byref(handles),
                                                        ctypes.byref(count)), "listing")
        first = handles[0] if count.value else None
        lib.FreeMemory(handles)
        return self.object_info(first) if first is not None else named

    # --- objects ----------------------------------------------------------
    def objects(self):
        """The handles of every object on the camera's cards."""
        handles, count = ctypes.POINTER(ctypes.c_uint32)(), ctypes.c_uint32()
        check(lib.PtpGenericInterface_GetObjectHandles2(ctypes.byref(handles),
                                                        ctypes.byref(count)), "listing")
        result = [handles[i] for i in range(count.value)]
        lib.FreeMemory(handles)
        return result

    def object_info(self, handle):
        record = _lib.ObjectInfoRecord()
        check(lib.PtpGenericInterface_GetObjectInfo(handle, ctypes.byref(record)),
              "object 0x%08X" % handle)
        return ObjectInfo.from_record(record)

    def _read(self, handle, offset, length):
        data, got = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_uint32()
        if length is None:
            check(lib.PtpGenericInterface_GetObject(handle, ctypes.byref(data),
                                                    ctypes.byref(got)), "download")
        else:
            check(lib.PtpGenericInterface_GetPartialObject(
                handle, offset, length, ctypes.byref(data), ctypes.byref(got)), "download")
        return take(data, got)

    def _parts(self, info):
        if info.size <= _PART:
            yield self._read(info.handle, 0, None)
            return
        done = 0
        while done < info.size:
            part = self._read(info.handle, done, min(_PART, info.size - done))
            if not part or len(part) > info.size - done:
                raise PtpError(0xFF0A, "download at %d of %d bytes" % (done, info.size))
            done += len(part)
            yield part

    def download(self, handle, path, progress=None):
        """Downloads an object (a handle or an ObjectInfo) to path, a file or an
        existing folder (the camera's file name is kept). progress(done, total) is
        called after each part. Returns the path written; no partial file is left."""
        info = handle if isinstance(handle, ObjectInfo) else self.object_info(handle)
        return _write(path, info.filename, self._parts(info), progress, info.size)

    # --- live view --------------------------------------------------------
    def _frame(self):
        data, length = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_uint32()
        check(_patient(lib.PtpGenericInterface_GetLiveViewImage, ctypes.byref(data),
                       ctypes.byref(length)), "live-view frame")
        sony_at = lib.PtpSonyInterface_LiveViewOffset(data, length) if self.vendor == "Sony" else 0
        buffer = take(data, length)
        return _image_of(self.vendor, buffer, sony_at)

    def live_view(self, frames=None):
        """Switches live view on and yields frames (JPEG bytes; BMP for a camera's
        uncompressed frames) until frames were given (None: until the caller stops);
        live view is switched off when the iteration ends."""
        check(_patient(lib.PtpGenericInterface_ToggleLiveView, 1), "live view on")
        try:
            n = 0
            while frames is None or n < frames:
                yield self._frame()
                n += 1
        finally:
            lib.PtpGenericInterface_ToggleLiveView(0)


def _patient(fn, *args):
    """fn's result, asked again for up to a second while the camera is busy (it
    may still be storing a shot, or have no new live-view frame yet)."""
    for _ in range(100):
        rc = fn(*args)
        if rc not in _BUSY:
            break
        time.sleep(0.01)
    return rc


def _image_of(vendor, buffer, sony_at):
    """The image inside a live-view buffer, by the vendor's layout."""
    u32 = lambda at: int.from_bytes(buffer[at:at + 4], "little")  # noqa: E731
    if vendor == "Canon" and len(buffer) >= 1364:
        # The library's info block, then the image; its length at 1360.
        return buffer[1364:1364 + u32(1360)]
    if vendor == "Nikon" and len(buffer) >= 8:
        return buffer[u32(0):u32(0) + u32(4)]  # the JPEG's offset and size lead the record
    if vendor == "Sony" and sony_at:
        return buffer[sony_at:]
    start = buffer.find(b"\xff\xd8\xff")
    if start < 0:
        raise PtpError(0xFF0B, "no image in the live-view frame")
    return buffer[start:]
