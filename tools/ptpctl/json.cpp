// The JSON writer of ptpctl --json.
#include "json.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// Escapes text as a JSON string. Camera text is not always UTF-8: a byte
// outside ASCII is written as its Latin-1 character so the line always parses.
static void quote(std::string& out, const char* text, size_t length) {
    out += '"';
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    out += '"';
}

static void put_key(JsonLine& j, const char* key) {
    if (j.comma) j.text += ',';
    j.comma = true;
    if (key) {
        quote(j.text, key, std::strlen(key));
        j.text += ':';
    }
}

void Json_Open(JsonLine& j, const char* key, char bracket) {
    put_key(j, key);
    j.text += bracket;
    j.comma = false;
}

void Json_Close(JsonLine& j, char bracket) {
    j.text += bracket;
    j.comma = true;
}

void Json_String(JsonLine& j, const char* key, const char* text) {
    Json_String(j, key, text, text ? std::strlen(text) : 0);
}

void Json_String(JsonLine& j, const char* key, const char* text, size_t length) {
    put_key(j, key);
    if (text)
        quote(j.text, text, length);
    else
        j.text += "null";
}

void Json_Number(JsonLine& j, const char* key, double value) {
    put_key(j, key);
    if (!std::isfinite(value)) {
        j.text += "null";
        return;
    }
    char buf[32];
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.6g", value);
    j.text += buf;
}

void Json_Bool(JsonLine& j, const char* key, bool value) {
    put_key(j, key);
    j.text += value ? "true" : "false";
}

void Json_Print(JsonLine& j) {
    j.text += '\n';
    std::fputs(j.text.c_str(), stdout);
    std::fflush(stdout);
    j.text.clear();
    j.comma = false;
}

bool Json_TakeOption(std::vector<std::string>& args) {
    bool found = false;
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--json")
            found = true;
        else
            rest.push_back(a);
    }
    args = rest;
    return found;
}
