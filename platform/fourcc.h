// Four-character codes (command codes, file types, property tags) as 32-bit numbers and back.
#pragma once

#include <QString>
#include <cstdint>

using FourCC = uint32_t;

constexpr FourCC MakeFourCC(const char (&s)[5]) {
    return (FourCC(uint8_t(s[0])) << 24) | (FourCC(uint8_t(s[1])) << 16) | (FourCC(uint8_t(s[2])) << 8) |
           FourCC(uint8_t(s[3]));
}

// Anything but four Latin-1 characters gives 0, the code of no command.
FourCC  FourCCFromText(const QString& text);
QString FourCCText(FourCC code);
