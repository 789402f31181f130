// Small text comparisons shared by the decoders of outside input.
#pragma once

#include <string>

// Whether `text` begins with `prefix`, ASCII letters compared without regard
// to case (URL schemes, command-line switches). Written out rather than with
// the system's ordinal comparison, which Windows XP lacks.
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
// The same for the whole text.
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
