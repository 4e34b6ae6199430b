// A small JSON writer for ptpctl --json: one object per line on stdout, so a
// script reads a stream line by line and a single answer with json.tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The line being built. Values are written in order; each container opened
// is closed by the caller before Json_Print.
struct JsonLine {
    std::string text;
    bool comma = false; // a value was written at this level: the next needs a ','
};

// key is null inside an array. Open/Close take '{' / '}' or '[' / ']'.
void Json_Open(JsonLine& j, const char* key, char bracket);
void Json_Close(JsonLine& j, char bracket);
// Text is escaped; null writes null. length: the bytes to use (text need not end in NUL).
void Json_String(JsonLine& j, const char* key, const char* text);
void Json_String(JsonLine& j, const char* key, const char* text, size_t length);
void Json_Number(JsonLine& j, const char* key, double value); // not finite: null
void Json_Bool(JsonLine& j, const char* key, bool value);
// Writes the line with a newline to stdout, flushes it and empties j.
void Json_Print(JsonLine& j);

struct PtpObjectInfo;
// The object's handle, name, size, format (number and name), pixel size and
// capture date (seconds, local time; absent when the camera gave none), into
// the object open in j. Written by ls, capture and events alike.
void Json_ObjectFields(JsonLine& j, const PtpObjectInfo& info);

// Removes every "--json" from args; true when there was one.
bool Json_TakeOption(std::vector<std::string>& args);
