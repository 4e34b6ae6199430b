// Nikon label tables chosen by camera model id. They replace the vendor table's
// for the ISO properties and the image format; rows are tried in order and the
// first whose models and codes both match decides, so model 219 meets only its own
// rows.
#include "nikon/label_tables.h"

const PtpNikonLabelOverride kNikonLabelOverrides[] = {
    {{199}, {0x500F, 0xD0B4}, kNikonIso199Labels},
    {{200, 210, 212, 223}, {0x500F, 0xD1AA, 0xD0B4}, kNikonIso200Labels},
    {{208}, {0x500F, 0xD1AA, 0xD0B4}, kNikonIso208Labels},
    {{219}, {0xD0B4, 0xD1AA}, kNikonIso219Labels},
    {{219}, {0x5004}, kNikonImageFormatStarredLabels},
    {{221, 227, 228, 230}, {0xD0B4, 0xD1AA}, kNikonIso221Labels},
    {{220, 222, 240}, {0xD0B4, 0xD1AA}, kNikonIso220Labels},
    {{225, 226, 229, 231}, {0xD0B4, 0xD1AA}, kNikonIso225Labels},
    {{232, 233}, {0xD0B4, 0xD1AA}, kNikonIso232Labels},
    {{211, 213, 214, 218}, {0x500F, 0xD1AA, 0xD0B4}, kNikonIso211Labels},
    {{215, 224}, {0xD0B4, 0xD1AA}, kNikonIsoExtendedLabels},
    {{216, 217}, {0xD0B4, 0xD1AA}, kNikonIso216Labels},
    {{215, 216, 217, 220, 221, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 240},
     {0x5004},
     kNikonImageFormatStarredLabels},
};

const size_t kNikonLabelOverrideCount =
    sizeof(kNikonLabelOverrides) / sizeof(kNikonLabelOverrides[0]);
