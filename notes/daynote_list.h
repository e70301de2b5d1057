// The daynote list: every daynote with its type and reminder date in one window, its text read and edited
// beside the list, kept, deleted or recurred from there; and the dates behind the rows of the program's
// lists.
#pragma once

#include "core/records.h"
#include "platform/fourcc.h"

#include <QString>

class QWidget;

enum DaynoteListControl : int {
    ListTextView = 279,
    ListDaynoteCount = 280,
    ListKeeperCount = 282,
    ListDeleteButton = 284,
    ListDateLabel = 285,
    ListKeeperCheckBox = 287,
    ListRecurButton = 288,
    DaynoteListView = 290,
    ListReminderCount = 434,
};

// Command 'List': the window made and filled, or brought forward; with no daynotes an alert instead.
int  CommandShowList(FourCC command);
void ShowDaynoteList();
// The daynote array changed elsewhere: rows, counts and the selected daynote's text follow it. Only rows
// whose date, type or reminder changed are new; nothing to do while the window is closed.
void RefreshDaynoteList();
// Writes the selected row's text view into its daynote (an emptied one deletes it), if the user changed it.
void SaveDaynoteListText(RecordArray& daynotes);
// The close action: the text typed goes into its daynote and the rows are let go.
void CloseDaynoteList();

// The text of a row of one of the lists: 'C001' date and type and 'C002' reminder date of the daynote list,
// 'cOL1' the find results, 'ELC2' the event list's date. Empty for another code or a row that is not there.
QString ListRowText(FourCC list, int row);
// The date of that text at 00:00; false when it is not a date.
bool ListRowDate(FourCC list, int row, DateValue* date);
// The same as a date key "yyyyMMdd"; a text shorter than 2 characters (no reminder) is returned as it is.
QString ListRowDateKey(FourCC list, int row);

// Control actions of the window, and the weekly view's list button.
int DaynoteListSelectionChanged(int controlId, unsigned modifiers);
int DaynoteListTextChanged(int controlId, unsigned modifiers);
int DaynoteListKeeperHit(int controlId, unsigned modifiers);
int DaynoteListDeleteHit(int controlId, unsigned modifiers);
int DaynoteListRecurHit(int controlId, unsigned modifiers);
int ShowListHit(int controlId, unsigned modifiers);
