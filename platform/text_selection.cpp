// Selecting the whole text of a field, so that what the user types next replaces it.
#include "platform/text_selection.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

void SelectAllControlText(QWidget* control) {
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->selectAll();
    else if (auto* text = qobject_cast<QTextEdit*>(control))
        text->selectAll();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->selectAll();
}
