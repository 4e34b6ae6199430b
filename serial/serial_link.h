// The accessory serial link: frames for the accessory on the Tetherhub's
// serial port, carried in relay messages of type 9, and the exchange of one
// frame for the accessory's answer under the relay link lock.
#pragma once

#include <cstdint>

#include "ptp_generic.h"
#include "ptp_result.h"

// Serial frame: u32 length (these bytes included), u8 command, u32 argument,
// then the command's extra field (none, u8 or u16).
constexpr uint32_t kSerialFrameBaseSize = 9;
constexpr uint32_t kSerialFrameMaxSize = 11;

// Accessory commands.
constexpr uint8_t kSerialShutterCapture = 3;
constexpr uint8_t kSerialMoveDuration = 4;
constexpr uint8_t kSerialBattery = 5;
constexpr uint8_t kSerialStop = 10;
constexpr uint8_t kSerialSpeed = 11;

// A move "until stopped" is a move of this many milliseconds (about 3 days).
constexpr uint32_t kSerialMoveUntilStopped = 0x0FFFFFFF;
// The fastest speed the accessory takes.
constexpr uint16_t kSerialMaxSpeed = 1023;

// The accessory's answer in a whole relay message (header included): the u32
// at the start of a type-9 body. PtpResult_BadReply for any other type and for
// a message too short to hold the value.
PtpResult PtpSerial_ParseAnswer(const uint8_t* message, uint32_t length, uint32_t* value);

// The lock the command exchanges take: the relay link lock by default. Tests
// install one that fails; null puts the default back.
void PtpSerial_SetLinkLock(PtpTransportLockFn lock);
