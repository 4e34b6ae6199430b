// ptpctl props and ptpctl set: the camera's properties with their labels, and
// changing one by code or name, to a value or a label.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "json.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_names.h"
#include "ptpctl.h"

// The properties the session's role table names (exposure mode, ISO, ...).
static bool is_role(uint32_t code) {
    uint32_t (*const roles[])() = {PtpGetAperturePropertyCode,
                                   PtpGetShutterSpeedPropertyCode,
                                   PtpGetIsoPropertyCode,
                                   PtpGetImageFormatPropertyCode,
                                   PtpGetFocusModePropertyCode,
                                   PtpGetAutoExposurePropertyCode,
                                   PtpGetBatteryPowerPropertyCode,
                                   PtpGetDriveModePropertyCode,
                                   PtpGetMeteringModePropertyCode,
                                   PtpGetWhiteBalancePropertyCode,
                                   PtpGetAvailableShotsPropertyCode,
                                   PtpGetExposureCompensationPropertyCode,
                                   PtpGetExposureBracketingPropertyCode};
    for (auto role : roles)
        if (role() == code) return true;
    return false;
}

// Every property in the code ranges properties live in (the standard ones and
// the vendors'). Two codes may share a name (a Canon body lists its exposure
// mode as 0xD105 and, on a mirrorless one, the mode dial 0xD138): when the
// session's role table uses one of them, the other is left out, so a name
// stands for one property here and in set.
static std::vector<PtpPropertyRecord*> all_properties() {
    const uint32_t ranges[][2] = {{0x5000, 0x50FF}, {0xD000, 0xD3FF}, {0xEE00, 0xEEFF}};
    std::vector<PtpPropertyRecord*> found;
    for (const auto& range : ranges)
        for (uint32_t code = range[0]; code <= range[1]; ++code)
            if (PtpPropertyRecord* r = PtpGenericInterface_GetProperty(code, 0)) found.push_back(r);
    std::vector<PtpPropertyRecord*> kept;
    for (PtpPropertyRecord* r : found) {
        bool shadowed = false;
        for (PtpPropertyRecord* other : found)
            if (other != r && r->name && other->name && strcasecmp(r->name, other->name) == 0 &&
                is_role(other->code) && !is_role(r->code))
                shadowed = true;
        if (!shadowed) kept.push_back(r);
    }
    return kept;
}

// Column widths of the property list, from the properties shown.
struct Columns {
    int name = 4, label = 5;
};
static Columns g_columns;

static const char* name_of(const PtpPropertyRecord* r) { return r->name ? r->name : "(unnamed)"; }

void PrintProperty(PtpPropertyRecord* r) {
    PtpGenericInterface_GetProperty(r->code, 1); // hold its lock while printing
    const int nameWidth = std::max(g_columns.name, int(std::strlen(name_of(r))));
    const int labelWidth = std::max(g_columns.label, int(std::strlen(r->currentLabel)));
    std::printf("0x%04X  %-*s  %-*s  %s", r->code, nameWidth, name_of(r), labelWidth,
                r->currentLabel, r->access ? "rw" : "ro");
    if (r->values && r->valueCount) {
        std::printf("  [");
        const uint16_t shown = r->valueCount < 12 ? r->valueCount : 12;
        for (uint16_t i = 0; i < shown; ++i)
            std::printf("%s%s", i ? ", " : "", r->values[i].label);
        if (shown < r->valueCount) std::printf(", ... %u values", r->valueCount);
        std::printf("]");
    }
    std::printf("\n");
    PtpUnlockProperty(r);
}

void PrintProperties(const std::vector<PtpPropertyRecord*>& records) {
    for (PtpPropertyRecord* r : records) {
        PtpGenericInterface_GetProperty(r->code, 1);
        g_columns.name = std::max(g_columns.name, int(std::strlen(name_of(r))));
        g_columns.label = std::max(g_columns.label, int(std::strlen(r->currentLabel)));
        PtpUnlockProperty(r);
    }
    for (PtpPropertyRecord* r : records)
        PrintProperty(r);
}

// One property as a JSON object: its value as a number with its label and the
// allowed values likewise.
static void json_property(JsonLine& j, PtpPropertyRecord* r) {
    PtpGenericInterface_GetProperty(r->code, 1);
    Json_Open(j, nullptr, '{');
    Json_Number(j, "code", r->code);
    Json_String(j, "name", r->name);
    Json_Number(j, "value", r->currentValue);
    Json_String(j, "label", r->currentLabel);
    Json_Bool(j, "writable", r->access != 0);
    Json_Open(j, "values", '[');
    for (uint16_t i = 0; r->values && i < r->valueCount; ++i) {
        Json_Open(j, nullptr, '{');
        Json_Number(j, "value", r->values[i].value);
        Json_String(j, "label", r->values[i].label);
        Json_Close(j, '}');
    }
    Json_Close(j, ']');
    Json_Close(j, '}');
    PtpUnlockProperty(r);
}

static PtpPropertyRecord* find_property(const std::string& text);

// One property with every allowed value, one per line.
static void print_property_in_full(PtpPropertyRecord* r) {
    PtpGenericInterface_GetProperty(r->code, 1);
    std::printf("0x%04X  %s\n  value   %s\n  access  %s\n", r->code, name_of(r), r->currentLabel,
                r->access ? "read-write" : "read-only");
    if (r->values && r->valueCount) {
        int width = 0;
        for (uint16_t i = 0; i < r->valueCount; ++i)
            width = std::max(width, int(std::strlen(r->values[i].label)));
        std::printf("  allowed values (%u):\n", r->valueCount);
        for (uint16_t i = 0; i < r->valueCount; ++i)
            std::printf("    %-*s  %u%s\n", width, r->values[i].label, r->values[i].value,
                        r->values[i].value == r->currentValue ? "  (current)" : "");
    }
    PtpUnlockProperty(r);
}

int Command_Props(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    const bool json = Json_TakeOption(args);
    if (args.size() > 1) {
        std::fprintf(stderr, "usage: ptpctl props [NAME|CODE] [--json]\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = 0;
    JsonLine j;
    if (args.size() == 1) {
        PtpPropertyRecord* r = find_property(args[0]);
        if (!r) {
            std::fprintf(stderr, "no property \"%s\" on this camera\n", args[0].c_str());
            status = 1;
        } else if (json) {
            json_property(j, r);
            Json_Print(j);
        } else {
            print_property_in_full(r);
        }
    } else {
        std::vector<PtpPropertyRecord*> props = all_properties();
        if (props.empty()) {
            std::fprintf(stderr, "the camera's driver loaded no properties\n");
            status = 1;
        } else if (json) {
            Json_Open(j, nullptr, '{');
            Json_Open(j, "properties", '[');
            for (PtpPropertyRecord* r : props)
                json_property(j, r);
            Json_Close(j, ']');
            Json_Close(j, '}');
            Json_Print(j);
        } else {
            PrintProperties(props);
        }
    }
    CloseHub(hub);
    return status;
}

// A code in decimal or hex, or a property name (any case).
static PtpPropertyRecord* find_property(const std::string& text) {
    uint32_t code = 0;
    if (ParseNumber(text, &code)) return PtpGenericInterface_GetProperty(code, 0);
    for (PtpPropertyRecord* r : all_properties())
        if (r->name && strcasecmp(r->name, text.c_str()) == 0) return r;
    return nullptr;
}

// The amount a label or an input stands for: "ISO 800" 800, "f/8.0" 8, "+1 1/3"
// 1.333, "1/125" 0.008, "30\"" 30. Leading and trailing words are dropped; false
// when no number is left.
static bool label_amount(const std::string& text, double* amount) {
    size_t b = text.find_first_of("+-.0123456789");
    size_t e = text.find_last_of("0123456789");
    if (b == std::string::npos || e == std::string::npos || e < b) return false;
    const std::string t = text.substr(b, e - b + 1);
    double sign = 1, whole = 0, num = 0, den = 0;
    int used = 0;
    const char* p = t.c_str();
    if (*p == '+' || *p == '-') sign = *p++ == '-' ? -1 : 1;
    if (std::sscanf(p, "%lf %lf/%lf%n", &whole, &num, &den, &used) == 3 && !p[used] && den > 0) {
        *amount = sign * (whole + num / den);
    } else if (std::sscanf(p, "%lf/%lf%n", &num, &den, &used) == 2 && !p[used] && den > 0) {
        *amount = sign * num / den;
    } else if (std::sscanf(p, "%lf%n", &whole, &used) == 1 && !p[used]) {
        *amount = sign * whole;
    } else {
        return false;
    }
    return true;
}

// A label of the record's allowed values (any case), then a label standing for
// the same amount as the input (800 for "ISO 800", f8 for "f/8.0"), else a number.
static bool find_value(PtpPropertyRecord* r, const std::string& text, uint32_t* value) {
    for (uint16_t i = 0; r->values && i < r->valueCount; ++i) {
        if (strcasecmp(r->values[i].label, text.c_str()) == 0) {
            *value = r->values[i].value;
            return true;
        }
    }
    double want = 0, have = 0;
    if (label_amount(text, &want) && text.compare(0, 2, "0x") != 0) {
        for (uint16_t i = 0; r->values && i < r->valueCount; ++i) {
            double diff = label_amount(r->values[i].label, &have) ? have - want : 1;
            if (diff < 1e-3 && diff > -1e-3) {
                *value = r->values[i].value;
                return true;
            }
        }
    }
    return ParseNumber(text, value);
}

int Command_Set(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: ptpctl set CODE|NAME VALUE|LABEL\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenSession(options, hub)) return 1;
    int status = 1;
    PtpPropertyRecord* r = find_property(args[0]);
    uint32_t value = 0;
    if (!r) {
        std::fprintf(stderr, "no property \"%s\" on this camera\n", args[0].c_str());
    } else if (!r->access) {
        std::fprintf(stderr, "%s is read-only\n", r->name ? r->name : args[0].c_str());
    } else if (!find_value(r, args[1], &value)) {
        std::fprintf(stderr, "\"%s\" is neither a label of %s nor a number\n", args[1].c_str(),
                     r->name ? r->name : "this property");
    } else {
        PtpResult rc = PtpGenericInterface_SetPropertyValue(r->code, value, 1);
        if (rc == PtpResult_Ok) {
            // A write the driver does not confirm (stepped or unverified)
            // leaves the store's old value: read back what the camera has.
            PtpGenericInterface_RefreshPropertyValue(r->code);
            PrintProperty(r);
            status = 0;
        } else {
            std::fprintf(stderr, "setting 0x%04X to %u failed: %s (0x%04X)\n", r->code, value,
                         PtpResult_Name(rc), rc);
        }
    }
    CloseHub(hub);
    return status;
}
