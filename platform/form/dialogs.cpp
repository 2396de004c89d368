// SPDX-License-Identifier: MIT
#include "dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

int Dialogs::msgBox(QWidget* parent, const QString& prompt, int style, const QString& title)
{
    return showMessage({parent, prompt, style, title.isEmpty() ? m_programTitle : title});
}

int QtDialogs::showMessage(const MessageRequest& request)
{
    QMessageBox box(request.parent);
    box.setWindowTitle(request.title);
    box.setText(request.prompt);
    switch (request.style & 0x70) {
    case msgbox::kCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case msgbox::kQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case msgbox::kExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case msgbox::kInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    switch (request.style & 0x0F) {
    case msgbox::kOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case msgbox::kYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return msgbox::kCancel;
    case QMessageBox::Yes:
        return msgbox::kYes;
    case QMessageBox::No:
        return msgbox::kNo;
    default:
        return msgbox::kOk;
    }
}

std::optional<QString> QtDialogs::openFile(const OpenFileRequest& request)
{
    QFileDialog dialog(request.parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.title.isEmpty())
        dialog.setWindowTitle(request.title);

    // Qt takes a filter's patterns from its last "(...)" group and, with the
    // details hidden, shows the rest. Our own group goes last, so descriptions
    // such as "(*.mid&*.rmi)" show exactly as written. Qt's dialog matches the
    // patterns ignoring case. "*.*" means every file, with or without a dot.
    QStringList filters;
    for (qsizetype i = 0; i < request.nameFilters.size(); ++i) {
        QStringList patterns = i < request.patterns.size() ? request.patterns[i] : QStringList{};
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        filters.append(request.nameFilters[i] + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);

    if (!request.initialPath.isEmpty()) {
        const QFileInfo info(request.initialPath);
        if (info.isDir()) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
