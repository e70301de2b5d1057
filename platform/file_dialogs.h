// File dialogs, through one replaceable presenter so that tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

struct OpenFileRequest {
    QString  title;            // the dialog's title, which tells what to pick
    QString  folder;           // where it starts
    QWidget* window = nullptr; // the window it is modal to; none makes it a window of its own
    QString  message{};        // what to do, shown beside the file name
    bool     save = false;     // a save dialog: a new name, folders may be created
    QString  suffix{};         // a save dialog's file-name suffix, added to a name typed without one
};

// Returns the chosen file's absolute path, or an empty string when the user cancelled.
using OpenFilePresenter = std::function<QString(const OpenFileRequest&)>;
// Installs a presenter and returns the one it replaces; an empty presenter restores the file dialog.
OpenFilePresenter SetOpenFilePresenter(OpenFilePresenter presenter);

// Only one file dialog is up at a time: asked for another meanwhile, ChooseFileToOpen and ChooseFileToSave
// bring the one showing to the front and return an empty string, as if the user had cancelled.
bool IsFileDialogShowing();

// Asks for one existing file of any type, modal to the front document window when there is one.
QString ChooseFileToOpen(const QString& title, const QString& folder, const QString& message = QString());
// Asks for the name and place of a new file; one that exists is replaced once the user agreed.
QString ChooseFileToSave(const QString& title, const QString& message, const QString& folder,
                         const QString& suffix);
