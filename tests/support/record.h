// Helpers for comparing and building settings records in tests.
#pragma once

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <string>

// A record in which every field differs from its default; flags are 0 or 1.
SS_Data DistinctRecord();

const FieldInfo& FieldNamed(const std::string& name);

// Field by field, bit for bit, naming every field that differs.
::testing::AssertionResult SameRecord(const SS_Data& expected, const SS_Data& actual);

// "Name XXXXXXXX" lines, one per field in table order.
std::string FormatRecord(const SS_Data& data);
// The inverse of FormatRecord; fails the current test on a malformed text.
SS_Data ParseRecord(const std::string& text);
