#pragma once
// Environment variables on Windows, read in UTF-16 so that a user name outside the ANSI code
// page survives. Built on Windows only.

#include <string>

namespace tavik {

// The variable's value in UTF-8; empty when it is not set.
std::string EnvironmentUtf8(const wchar_t* name);

}  // namespace tavik
