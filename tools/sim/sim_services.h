// The hub's own services besides its SD card: battery, object parts and
// extracted JPEGs, orientation, firmware updates, capture sequences and the
// small switches (sim_hub.h describes them). Internal to the sim; the handlers
// are called with the hub lock held, like every control handler.
#pragma once

#include "sim_hub.h"

#include "comms/bytes.h"

#include <cstddef>
#include <cstdint>

struct SimServices {
    SimServiceStats stats;
};

// Control code handlers, in the relay's handler form: the reply data goes to
// `data`, the result is returned.
uint16_t SimServices_Battery(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_PartialObject(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_ExtractedJpeg(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_Orientation(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_Firmware(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_CaptureSequence(SimHub* hub, const uint8_t* payload, size_t n,
                                     ByteWriter& data);
uint16_t SimServices_SkipFujiRaws(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_CancelDelay(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimServices_UsbInterruptRead(SimHub* hub, const uint8_t* payload, size_t n,
                                      ByteWriter& data);
uint16_t SimServices_FujiStopLiveView(SimHub* hub, const uint8_t* payload, size_t n,
                                      ByteWriter& data);
