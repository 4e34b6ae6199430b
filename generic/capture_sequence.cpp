// Timed capture sequences run by the Tetherhub: the host's arguments, with the
// bracket's order as the hub counts it for the camera's property, and the
// library's focus mode.
#include "comms/services.h"
#include "generic/driver.h"
#include "ptp_comms.h"
#include "ptp_focus.h"

PtpResult Comms_SendRepeatImageCapture(int32_t a1, float a2, float a3, float a4, int32_t a5,
                                       uint32_t a6, uint32_t a7, int32_t a8, uint8_t a9, float a10,
                                       uint8_t a11) {
    CaptureSequence seq;
    seq.repeatCount = a1;
    seq.repeatA2 = a2;
    seq.repeatA3 = a3;
    seq.bulbSeconds = a4;
    seq.propertyCode = a5;
    seq.centre = a6;
    seq.step = a7;
    seq.bracketCount = a8;
    seq.order = a9;
    seq.interval = a10;
    seq.a11 = a11;
    // Orders 1 and 2 are exchanged for a property the hub counts the other way.
    const PtpDriver* d = PtpSession_Driver();
    if (d->exposure.hubOrderReversed && d->exposure.hubOrderReversed(uint32_t(a5)) &&
        (a9 == 1 || a9 == 2))
        seq.order = uint8_t(3 - a9);
    return Comms_SendCaptureSequence(seq, uint8_t(PtpGenericInterface_FocusMode()));
}
