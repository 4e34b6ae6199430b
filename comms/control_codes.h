// Control codes of the Tetherhub (the byte at offset 9 of a control message).
#pragma once

#include <cstdint>

constexpr uint8_t kControlIsCameraConnected = 16;
constexpr uint8_t kControlSerialNumber = 32;
constexpr uint8_t kControlHardwareVersion = 48;
constexpr uint8_t kControlPlatformVersion = 49;
constexpr uint8_t kControlGetPartialObject = 65;
constexpr uint8_t kControlToggleSharing = 112;
constexpr uint8_t kControlClientsCanSave = 129;
constexpr uint8_t kControlReadEventData = 130;
constexpr uint8_t kControlFujiStopLiveView = 134;
constexpr uint8_t kControlBatteryInfo = 135;
constexpr uint8_t kControlLiveViewBuffer = 136;
constexpr uint8_t kControlClientsString = 144;
constexpr uint8_t kControlClientName = 160;
constexpr uint8_t kControlServerPing = 176;
constexpr uint8_t kControlExtractedJpgObject = 177;
constexpr uint8_t kControlSdSetTransferFlag = 178;
constexpr uint8_t kControlUpdateFirmware = 208;
constexpr uint8_t kControlIsSharingEnabled = 209;
constexpr uint8_t kControlDisableSharing = 210;
constexpr uint8_t kControlRepeatImageCapture = 211;
constexpr uint8_t kControlSkipFujiRaws = 213;
constexpr uint8_t kControlSdFormat = 214;
constexpr uint8_t kControlCameraModel = 215;
constexpr uint8_t kControlCancelDelay = 224;
constexpr uint8_t kControlToggleUsbInterruptRead = 225;
constexpr uint8_t kControlObjectOrientation = 227;
constexpr uint8_t kControlNikonPropertyDescriptions = 235;
constexpr uint8_t kControlSdAllFilenames = 240;
constexpr uint8_t kControlSdThumbnail = 242;
constexpr uint8_t kControlSdFileSize = 243;
constexpr uint8_t kControlSdSetCurrentTime = 244;
constexpr uint8_t kControlSdInfo = 245;
constexpr uint8_t kControlSdGetFile = 248;
constexpr uint8_t kControlSdExtractedFile = 249;
constexpr uint8_t kControlSdDeleteFile = 252;
constexpr uint8_t kControlSdSaveObject = 253;
constexpr uint8_t kControlSdFileExists = 255;
