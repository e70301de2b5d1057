// Font presets and the desktop families behind the stored font numbers.
#include "core/font_presets.h"

#include "core/daynote_store.h"
#include "platform/windows.h"

namespace {

struct FontRow {
    int16_t font, size, style;
};
constexpr FontRow FontRows[9] = {
    {GenevaFontNumber, 9, 0},        {GenevaFontNumber, 10, 1},       {GenevaFontNumber, 12, 1},
    {GenevaFontNumber, 14, 1},       {LucidaGrandeFontNumber, 9, 1},  {LucidaGrandeFontNumber, 11, 1},
    {LucidaGrandeFontNumber, 13, 1}, {LucidaGrandeFontNumber, 14, 1}, {LucidaGrandeFontNumber, 18, 1},
};

} // namespace

// The stored family names are drawn with the closest family this desktop has.
void RegisterFontFamilies() {
    static bool done = false;
    if (done) return;
    done = true;
    SetFontFamilyForNumber(GenevaFontNumber,
                           {QStringLiteral("Geneva"), QStringLiteral("Verdana"),
                            QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    SetFontFamilyForNumber(LucidaGrandeFontNumber, {QStringLiteral("Lucida Grande"),
                                                    QStringLiteral("Cantarell"), QStringLiteral("Noto Sans"),
                                                    QStringLiteral("Ubuntu"), QStringLiteral("DejaVu Sans")});
}

NoteFontStyle FontPreset(int item, NoteFontStyle style) {
    style.flags = DaynoteStyleFlags;
    if (item < 1 || item > 9) return style;
    const FontRow& row = FontRows[item - 1];
    style.font = row.font;
    style.size = row.size;
    style.style = row.style;
    return style;
}

int FontMenuItemForStyle(const NoteFontStyle& style) {
    const int size = style.size;
    if (style.font == GenevaFontNumber) {
        if (size == 9) return 1;
        if (size == 10) return 2;
        if (size == 14) return 4;
        return 3;
    }
    if (style.font == LucidaGrandeFontNumber) {
        if (size == 9) return 5;
        if (size == 13) return 7;
        if (size == 14) return 8;
        if (size == 18) return 9;
        return 6;
    }
    return DefaultFontItem;
}
