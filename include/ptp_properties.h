/** \file
 * The property store: one record per device property the camera offers, with
 * its current value and label and the values it allows.
 *
 * Records live for the whole session and never move, so the host may keep
 * their pointers; their fields change under the record's own lock. */
#ifndef PTP_PROPERTIES_H
#define PTP_PROPERTIES_H

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_result.h"

/* --- Property records -------------------------------------------------------
 * The property store keeps one record per device property the camera offers.
 * The host receives record pointers, so the field order is fixed. */
#define PTP_LABEL_SIZE 32         /**< bytes of an allowed value's label, NUL included */
#define PTP_CURRENT_LABEL_SIZE 64 /**< bytes of the current value's label, NUL included */

/** One allowed value and its label (also the row type of the label tables). */
typedef struct PtpValueLabel {
    char label[PTP_LABEL_SIZE]; /**< NUL-terminated */
    uint32_t value;             /**< as sent to the camera; for texts the index */
} PtpValueLabel;

PTP_STATIC_ASSERT(sizeof(PtpValueLabel) == 36, "PtpValueLabel layout");
PTP_STATIC_ASSERT(offsetof(PtpValueLabel, value) == 32, "PtpValueLabel layout");

/** One device property: its current value and label and its allowed values. */
typedef struct PtpPropertyRecord {
    uint32_t code;         /**< PTP device property code; 0 in a cleared slot */
    const char* name;      /**< display name, null when the code has none */
    uint32_t dataType;     /**< PTP data type: 1..8 integers, 0xFFFF text */
    uint32_t currentValue; /**< for texts: the index of the matching allowed value */
    char currentLabel[PTP_CURRENT_LABEL_SIZE]; /**< label of the current value */
    uint16_t valueCount;   /**< 0: no list, any value accepted */
    PtpValueLabel* values; /**< valueCount entries, owned by the record */
    uint8_t access;        /**< 0 read-only, 1 read/write */
    pthread_mutex_t lock;  /**< guards the fields above */
} PtpPropertyRecord;

PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, name) == 8, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, dataType) == 16, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, currentValue) == 20, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, currentLabel) == 24, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, valueCount) == 88, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, values) == 96, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, access) == 104, "PtpPropertyRecord layout");
PTP_STATIC_ASSERT(offsetof(PtpPropertyRecord, lock) == 112, "PtpPropertyRecord layout");

/** The record for code, or null. With lock non-zero the record's lock is taken
 * and the caller releases it with PtpUnlockProperty. */
PTP_API PtpPropertyRecord* PtpGenericInterface_GetProperty(uint32_t code, uint8_t lock);

/** @{ */
/** Takes and releases a record's lock, to read several of its fields as one
 * state; a record taken with GetProperty(code, 1) is released with
 * PtpUnlockProperty. A null record counts as success. True on success. Hold
 * the lock briefly: the event loop waits for it to apply camera changes. */
PTP_API bool PtpLockProperty(PtpPropertyRecord* record);
PTP_API bool PtpUnlockProperty(PtpPropertyRecord* record);
/** @} */

/** True when the store holds a record for code. */
PTP_API bool PtpGenericInterface_IsPropertySupported(uint32_t code);

/** Reads the property's current value from the camera into its record.
 * PtpResult_OperationNotSupported for a code the store does not hold,
 * PtpResult_Failed when the value does not parse. */
PTP_API PtpResult PtpGenericInterface_RefreshPropertyValue(uint32_t code);

/** Reloads a property's description through the vendor driver. Returns 0 (not
 * OK) for vendors that have no such reload. */
PTP_API PtpResult PtpGenericInterface_RefreshPropertyDescription(uint32_t code);

/** Writes a value. The value, cut to the property's type, must be one of the
 * allowed values when the record has a list (0x2006 otherwise, and for a code
 * the store does not hold). With verify, the event loop is paused and the call
 * waits until the store shows the value: PtpResult_PropertyWriteFailed when it
 * never does. Runs on the calling thread; blocks for the camera's answer. */
PTP_API PtpResult PtpGenericInterface_SetPropertyValue(uint32_t code, uint32_t value, uint8_t verify);

/** Steps a property up or down through the camera (Sony cameras only). */
PTP_API PtpResult PtpGenericInterface_IncrementProperty(uint32_t code, uint32_t direction);

#endif
