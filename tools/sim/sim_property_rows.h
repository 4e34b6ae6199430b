// Builders for the rows of the property facts tables (sim_model_properties.cpp,
// sim_canon_properties.cpp), so each row reads as one line of facts.
#pragma once

#include "sim_camera.h"

#include <array>

constexpr uint8_t kRO = 0; // GetSet: read-only
constexpr uint8_t kRW = 1; // GetSet: read/write

constexpr SimPropertyFacts SimNumber(uint16_t code, uint16_t type, uint8_t getset, SimPropForm form,
                                     int64_t factory, int64_t current) {
    SimPropertyFacts f{};
    f.code = code;
    f.type = type;
    f.getset = getset;
    f.form = form;
    f.factory = factory;
    f.current = current;
    return f;
}

constexpr SimPropertyFacts SimRange(uint16_t code, uint16_t type, uint8_t getset, int64_t factory,
                                    int64_t current, int64_t min, int64_t max, int64_t step) {
    SimPropertyFacts f = SimNumber(code, type, getset, SimForm_Range, factory, current);
    f.min = min;
    f.max = max;
    f.step = step;
    return f;
}

constexpr SimPropertyFacts SimEnum(uint16_t code, uint16_t type, uint8_t getset, int64_t factory,
                                   int64_t current, SimValueList values) {
    SimPropertyFacts f = SimNumber(code, type, getset, SimForm_Enum, factory, current);
    f.values = values;
    return f;
}

constexpr SimPropertyFacts SimText(uint16_t code, uint8_t getset, const char* factory,
                                   const char* current) {
    SimPropertyFacts f = SimNumber(code, kPtpTypeStr, getset, SimForm_None, 0, 0);
    f.factory_text = factory;
    f.current_text = current;
    return f;
}

constexpr SimPropertyFacts SimTextEnum(uint16_t code, uint8_t getset, const char* factory,
                                       const char* current, SimTextList texts) {
    SimPropertyFacts f = SimText(code, getset, factory, current);
    f.form = SimForm_Enum;
    f.texts = texts;
    return f;
}

template <size_t N> constexpr std::array<int64_t, N> SimSteps(int64_t first, int64_t step) {
    std::array<int64_t, N> values{};
    for (size_t i = 0; i < N; ++i)
        values[i] = first + int64_t(i) * step;
    return values;
}

template <size_t N> constexpr SimValueList SimArrayValues(const std::array<int64_t, N>& values) {
    return SimValueList{values.data(), N};
}

template <size_t N> constexpr SimPropertyTable SimTable(const SimPropertyFacts (&rows)[N]) {
    return SimPropertyTable{rows, N};
}
