// Find: the daynotes whose text holds a piece of text, latest first, each opened by a double-click.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QString>
#include <vector>

enum FindControl : int {
    FindTextField = 358,
    FoundDatesList = 359,
    FindButton = 361,
};

// Command 'Sear': the window made (with no results) or brought forward, the focus in the text field.
int  CommandShowFind(FourCC command);
void ShowFindWindow();
// The dates of the daynotes whose text contains the text, letters compared without regard to case, from the
// last daynote to the first. An empty text finds nothing.
std::vector<double> FindDaynotes(const QString& text, const RecordArray& daynotes);
// The date text "dd  LLLL  yyyy" of result row n (1 to the count); empty outside.
QString FoundDateText(int row);
// The close action: the results are let go.
void CloseFindWindow();

// Control actions of the window, and the weekly view's find button.
int FindButtonHit(int controlId, unsigned modifiers);
int FoundDateOpened(int controlId, unsigned modifiers);
int WeeklyFindHit(int controlId, unsigned modifiers);
