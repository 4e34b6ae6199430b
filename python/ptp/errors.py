"""PtpError: a failed library call, with its result code and the code's name."""
from ._lib import lib

# Names of the standard PTP response codes a camera sends, for the codes the
# library passes through without a name of its own.
_PTP_RESPONSES = {
    0x2002: "GeneralError", 0x2003: "SessionNotOpen", 0x2004: "InvalidTransactionID",
    0x2005: "OperationNotSupported", 0x2006: "ParameterNotSupported",
    0x2007: "IncompleteTransfer", 0x2008: "InvalidStorageID", 0x2009: "InvalidObjectHandle",
    0x200A: "DevicePropNotSupported", 0x200B: "InvalidObjectFormatCode", 0x200C: "StoreFull",
    0x200D: "ObjectWriteProtected", 0x200E: "StoreReadOnly", 0x200F: "AccessDenied",
    0x2010: "NoThumbnailPresent", 0x2013: "StoreNotAvailable", 0x2019: "DeviceBusy",
    0x201A: "InvalidParentObject", 0x201B: "InvalidDevicePropFormat",
    0x201C: "InvalidDevicePropValue", 0x201D: "InvalidParameter", 0x201E: "SessionAlreadyOpen",
    0x201F: "TransactionCancelled",
}


def result_name(code):
    """The name of a result code: the library's, else the standard PTP response's."""
    name = lib.PtpResult_Name(code).decode()
    if name == "PTP response" and code in _PTP_RESPONSES:
        return "PTP " + _PTP_RESPONSES[code]
    return name


class PtpError(Exception):
    """A library call failed. code is the 16-bit result code, name its name."""

    def __init__(self, code, what=""):
        self.code = code
        self.name = result_name(code)
        text = "%s (0x%04X)" % (self.name, code)
        super().__init__("%s: %s" % (what, text) if what else text)


def check(code, what=""):
    """Raises PtpError unless code is PtpResult_Ok."""
    if code != 0x2001:
        raise PtpError(code, what)
