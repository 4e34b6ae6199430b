// The Fujifilm operation, property and event codes: one name per code, in one place.
#pragma once

#include <cstdint>

// --- Operations ---------------------------------------------------------------------------

// --- Properties ---------------------------------------------------------------------------

// --- Events -------------------------------------------------------------------------------
