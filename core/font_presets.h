// The nine font presets of the font menus (daynotes, user notes, the weekly view) and the desktop families
// that draw the two font numbers daynote files store.
#pragma once

#include "core/records.h"

// The menu item a daynote gets when nothing else is asked for.
constexpr int DefaultFontItem = 6;

// The font presets of the font menu, items 1..9.
NoteFontStyle FontPreset(int item, NoteFontStyle style);
int           FontMenuItemForStyle(const NoteFontStyle& style);
// The font numbers the presets store for "Geneva" and "Lucida Grande".
constexpr int16_t GenevaFontNumber = 3;
constexpr int16_t LucidaGrandeFontNumber = 1024;
// Ties the stored font numbers to the closest families this desktop has installed.
void RegisterFontFamilies();
