#pragma once
// Facts about the program shown in its windows.

inline constexpr const char* kApplicationTitle = "Tabulon V 1.0";
