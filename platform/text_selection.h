// Selecting the whole text of a field, so that what the user types next replaces it.
#pragma once

class QWidget;

void SelectAllControlText(QWidget* control);
