// Reading and writing the value a node carries, in the engine's field encoding: integers of every
// width, floats, BCD through its four-decimal fixed-point form, dates, times and timestamps.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ExpToken.h"
#include "ValueClasses.h"
#include "engine/storage/data/BcdValue.h"

namespace sklad {

// The fixed-point form of BCD arithmetic: the value times 10,000.
constexpr int64_t kFixedOne = 10000;

// Conversions that cannot overflow: values beyond the 64-bit range stop at its ends.
int64_t SaturatingInteger(double value);
int64_t SaturatingMultiply(int64_t a, int64_t b);

// Integers of every width, booleans, and floats and BCD truncated toward zero.
int64_t ReadInteger(const TExpToken& node);
// Any numeric value as a float (BCD through its fixed-point form).
double ReadFloat(const TExpToken& node);
// An integer or BCD value in fixed-point form.
int64_t ReadFixed(const TExpToken& node);
// A date, time or timestamp as milliseconds on the timestamp scale.
double ReadMoment(const TExpToken& node);
std::string_view ReadText(const TExpToken& node);

// Each setter makes the node a non-null constant of the type, at the type's size.
void SetInteger(TExpToken& node, TFieldType type, int64_t value);  // wraps to the type's width
void SetFloat(TExpToken& node, double value);
void SetBoolean(TExpToken& node, bool value);
// A fixed-point value stored as BCD at the scale, rounded half away from zero; NULL when it does
// not fit.
void SetFixed(TExpToken& node, int64_t fixed, int scale);
void SetDate(TExpToken& node, int64_t day);
void SetTime(TExpToken& node, int64_t millisecond);
void SetTimeStamp(TExpToken& node, double millisecond);
// A string value; the empty string is NULL.
void SetText(TExpToken& node, std::string_view text);
void SetNull(TExpToken& node);

}  // namespace sklad
