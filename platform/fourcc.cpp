// Four-character codes as numbers and texts.
#include "platform/fourcc.h"

FourCC FourCCFromText(const QString& text) {
    if (text.size() != 4) return 0;
    FourCC code = 0;
    for (QChar c : text) {
        if (c.unicode() > 0xFF) return 0;
        code = (code << 8) | c.unicode();
    }
    return code;
}

QString FourCCText(FourCC code) {
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) text += QChar(char16_t((code >> shift) & 0xFF));
    return text;
}
