// Result-code names and the library version: plain data behind two exports, so
// a host without a C compiler (a ctypes binding) can call them.
#include "ptp_result.h"

#ifndef PTP_VERSION
#error "PTP_VERSION is set by the build from the project's version"
#endif

const char* PtpResult_Name(PtpResult r) {
    switch (r) {
    case PtpResult_Ok: return "PtpResult_Ok";
    case PtpResult_DeviceBusy: return "PtpResult_DeviceBusy";
    case PtpResult_VendorBusy: return "PtpResult_VendorBusy";
    case PtpResult_RelayNoResponse: return "PtpResult_RelayNoResponse";
    case PtpResult_CaptureFailed: return "PtpResult_CaptureFailed";
    case PtpResult_Failed: return "PtpResult_Failed";
    case PtpResult_UnexpectedContainer: return "PtpResult_UnexpectedContainer";
    case PtpResult_DataSetParseFailed: return "PtpResult_DataSetParseFailed";
    case PtpResult_ObjectTooLarge: return "PtpResult_ObjectTooLarge";
    case PtpResult_BadReply: return "PtpResult_BadReply";
    case PtpResult_InvalidData: return "PtpResult_InvalidData";
    case PtpResult_PropertyWriteFailed: return "PtpResult_PropertyWriteFailed";
    case PtpResult_ConnectionLost: return "PtpResult_ConnectionLost";
    case PtpResult_NotSupportedForCamera: return "PtpResult_NotSupportedForCamera";
    case PtpResult_NoDeviceInfo: return "PtpResult_NoDeviceInfo";
    case PtpResult_OutOfMemory: return "PtpResult_OutOfMemory";
    case PtpResult_Busy: return "PtpResult_Busy";
    case PtpResult_InvalidArgument: return "PtpResult_InvalidArgument";
    case PtpResult_Aborted: return "PtpResult_Aborted";
    case PtpResult_NotAllowedInExposureMode: return "PtpResult_NotAllowedInExposureMode";
    case PtpResult_OperationNotSupported: return "PtpResult_OperationNotSupported";
    case PtpResult_NotAllowedInDriveMode: return "PtpResult_NotAllowedInDriveMode";
    default: return "PTP response";
    }
}

const char* PtpLibraryVersion() { return PTP_VERSION; }
