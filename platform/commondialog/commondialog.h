// SPDX-License-Identifier: MIT
#pragma once

#include "helplauncher.h"
#include "helpviewer.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class Dialogs;

// The open dialog and the help call as the handlers use them: properties that keep their values
// between uses, and showOpen(), which fails with the cancel error when the
// user cancels and cancelError is set.
class CommonDialog
{
public:
    explicit CommonDialog(Dialogs& dialogs, QString dialogTitle = {});

    // The window the dialog is modal to (changes when that form reloads).
    void setOwner(QWidget* owner) { m_owner = owner; }

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& path) { m_fileName = path; }
    // The chosen file's name without its directory.
    QString fileTitle() const;
    QString filter() const { return m_filter; }
    // "description|pattern;pattern|description|pattern..."
    void setFilter(const QString& filter) { m_filter = filter; }
    bool cancelError() const { return m_cancelError; }
    void setCancelError(bool on) { m_cancelError = on; }
    QString dialogTitle() const { return m_dialogTitle; }

    // Shows the modal open dialog, starting from fileName(). On a confirmed
    // choice fileName() holds the full path. Cancel throws AppError 32755 when
    // cancelError() is set, and otherwise returns with fileName() unchanged.
    void showOpen();

    // Help: the file, the request (11 opens the viewer at its finder), and
    // showHelp(), which starts the viewer beside the program and returns.
    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString& path) { m_helpFile = path; }
    int helpCommand() const { return m_helpCommand; }
    void setHelpCommand(int command) { m_helpCommand = command; }
    void showHelp();
    HelpLauncher& helpLauncher() { return m_help; }

private:
    Dialogs& m_dialogs;
    QPointer<QWidget> m_owner;
    QString m_dialogTitle;
    QString m_fileName;
    QString m_filter;
    bool m_cancelError = false;
    QString m_helpFile;
    int m_helpCommand = 0;
    HelpLauncher m_help;
};
