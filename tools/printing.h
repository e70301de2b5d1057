// Printing: daynotes and user notes as pages of text, every other window as a picture on one landscape page.
#pragma once

#include <QString>

// Text page layout, in points from the bottom of the page.
constexpr int PortraitLinesPerPage = 42;
constexpr int LandscapeLinesPerPage = 30;
constexpr int PortraitFirstLineTop = 700;
constexpr int LandscapeFirstLineTop = 550;
constexpr int PrintLinePitch = 15;

// Command 'prnt': prints what the front document window shows.
void PrintFrontWindow();
// Command 'page': the page setup dialog, whose orientation text pages follow.
void PageSetup();
// Runs the print dialog, then prints the text (lines end at CR, LF or CR LF); false when nothing printed.
bool PrintText(const QString& text);
// Runs the print dialog, then prints a picture of the window; false when nothing printed.
bool PrintThisWindow(int windowId);
