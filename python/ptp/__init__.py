"""Camera control through a Tetherhub, over the Ptp library's C interface.

    import ptp
    with ptp.Camera("127.0.0.1", 5000) as camera:
        camera.properties["ISO"] = 800
        picture = camera.capture()
        camera.download(picture, ".")
"""
from ._lib import lib as _cdll
from .camera import Camera, Event, ObjectInfo, Property
from .errors import PtpError, result_name

__all__ = ["Camera", "Event", "ObjectInfo", "Property", "PtpError", "result_name",
           "library_version"]


def library_version():
    """The version of the loaded libptp, "MAJOR.MINOR.PATCH"."""
    return _cdll.PtpLibraryVersion().decode()


__version__ = library_version()
