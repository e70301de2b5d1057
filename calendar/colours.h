// The colours of the four daynote types on the calendar, the contextual colour menus, and the picker.
#pragma once

#include <QColor>
#include <QPoint>

class QWidget;

enum ColourMenu : int {
    CalendarColourMenu = 30,
    EventMenu = 31,
    NoteColourMenu = 32,
    DaynoteColourMenu = 33
};

// The stored colour of a daynote type; black for a type outside 1..4.
QColor TypeColour(int type);
// The colour as drawn on a control: the stored hue, lightened or darkened until it reads as small text
// against the control's background (4.5 : 1, light and dark themes); the stored colour is left alone.
QColor DisplayColour(const QColor& colour, const QWidget* control);

void ShowCalendarColourMenu(QPoint globalPos);
void ContextualChoice(int menuId, int item, int windowId);
// Kinds 1..4 the daynote types, 5 the text of a daynote window; true when the user confirmed.
bool ChooseColour(int kind, int windowId);

void ShowDaynoteColourMenu(int windowId, QPoint globalPos);
void ShowNoteColourMenu(int windowId, QPoint globalPos);
// The text colour of a user note, kept in the note's style; true when the user confirmed.
bool PickNoteTextColour(QWidget* noteWindow);

// The contextual click on a calendar day cell, on a daynote's text and on a user note's text.
int CalendarCellContextClick(int controlId, QWidget* window, QPoint globalPos);
int DaynoteTextContextClick(int controlId, QWidget* window, QPoint globalPos);
int NoteTextContextClick(int controlId, QWidget* window, QPoint globalPos);
