// File dialogs, through one replaceable presenter so that tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

struct OpenFileRequest {
    QString  title;            // the dialog's title, which tells what to pick
    QString  folder;           // where it starts
    QWidget* window = nullptr; // the window it is modal to; none makes it a window of its own
};

// Returns the chosen file's absolute path, or an empty string when the user cancelled.
using OpenFilePresenter = std::function<QString(const OpenFileRequest&)>;
// Installs a presenter and returns the one it replaces; an empty presenter restores the file dialog.
OpenFilePresenter SetOpenFilePresenter(OpenFilePresenter presenter);

// Asks for one existing file of any type, modal to the front document window when there is one.
QString ChooseFileToOpen(const QString& title, const QString& folder);
