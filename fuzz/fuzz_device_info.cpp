// Fuzzes the DeviceInfo parser with the camera's data set as it would arrive in
// a GetDeviceInfo data container. Beyond the sanitizers it checks what every
// caller relies on after a successful parse: code counts within the record's
// capacity and texts that end inside their fields.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "generic/session.h"

static void check_text(const char (&text)[PTP_DEVICEINFO_TEXT], const char* what) {
    fuzz_check(std::memchr(text, '\0', sizeof text) != nullptr, what);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    PtpDeviceInfo info;
    if (!PtpParseDeviceInfo(data, uint32_t(size), &info)) return 0;

    const PtpCodeList* lists[] = {&info.operationsSupported, &info.eventsSupported,
                                  &info.devicePropertiesSupported, &info.captureFormats,
                                  &info.imageFormats};
    for (const PtpCodeList* list : lists)
        fuzz_check(list->count <= PTP_DEVICEINFO_CODES, "code count beyond the record");
    check_text(info.vendorExtensionDesc, "VendorExtensionDesc not terminated");
    check_text(info.manufacturer, "Manufacturer not terminated");
    check_text(info.model, "Model not terminated");
    check_text(info.deviceVersion, "DeviceVersion not terminated");
    check_text(info.serialNumber, "SerialNumber not terminated");

    // What session start does next with a parsed record.
    PtpVendor vendor = PtpDetectVendor(info.manufacturer);
    fuzz_check(vendor >= PtpVendor_Fujifilm && vendor <= PtpVendor_Nikon, "no vendor detected");
    return 0;
}
