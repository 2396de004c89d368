// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Message box styles, as the handlers write them: the button set in the low
// bits plus one icon value.
namespace msgbox
{
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;

// Answers.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
} // namespace msgbox

struct MessageRequest {
    QWidget* parent = nullptr;
    QString prompt;
    int style = msgbox::kOkOnly;
    QString title; // never empty here: the program title stands in for a missing one
};

struct OpenFileRequest {
    QWidget* parent = nullptr;
    QString title;               // empty: the platform's default title
    QStringList nameFilters;     // descriptions shown exactly as written
    QList<QStringList> patterns; // per filter, e.g. {"*.mid", "*.rmi"}
    QString initialPath;         // a file or a folder; empty: the current folder
};

// Every modal dialog of the programs goes through here, so that tests can
// answer them without a nested event loop.
class Dialogs
{
public:
    explicit Dialogs(QString programTitle) : m_programTitle(std::move(programTitle)) {}
    virtual ~Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    // Shows a message box and returns the answer (msgbox::kOk, ...). With no
    // title of its own the box shows the program title.
    int msgBox(QWidget* parent, const QString& prompt, int style = msgbox::kOkOnly,
               const QString& title = {});

    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(const OpenFileRequest& request) = 0;

    const QString& programTitle() const { return m_programTitle; }

protected:
    virtual int showMessage(const MessageRequest& request) = 0;

private:
    QString m_programTitle;
};

// The real dialogs: QMessageBox and Qt's own QFileDialog.
class QtDialogs final : public Dialogs
{
public:
    using Dialogs::Dialogs;
    std::optional<QString> openFile(const OpenFileRequest& request) override;

protected:
    int showMessage(const MessageRequest& request) override;
};
