// SPDX-License-Identifier: MIT
#include "commondialog.h"

#include "apperror.h"
#include "dialogs.h"

#include <QFileInfo>

CommonDialog::CommonDialog(Dialogs& dialogs, QString dialogTitle)
    : m_dialogs(dialogs), m_dialogTitle(std::move(dialogTitle))
{
}

QString CommonDialog::fileTitle() const
{
    return QFileInfo(m_fileName).fileName();
}

void CommonDialog::showOpen()
{
    OpenFileRequest request;
    request.parent = m_owner;
    request.title = m_dialogTitle;
    request.initialPath = m_fileName;
    const QStringList parts = m_filter.split(u'|');
    if (!m_filter.isEmpty()) {
        for (qsizetype i = 0; i < parts.size(); i += 2) {
            request.nameFilters.append(parts[i]);
            request.patterns.append(i + 1 < parts.size()
                                        ? parts[i + 1].split(u';', Qt::SkipEmptyParts)
                                        : QStringList{QStringLiteral("*")});
        }
    }
    const std::optional<QString> chosen = m_dialogs.openFile(request);
    if (!chosen) {
        if (m_cancelError)
            throw AppError(errors::kCancel, QStringLiteral("CommonDialog"),
                           QStringLiteral("Cancel was selected."));
        return;
    }
    m_fileName = *chosen;
}

void CommonDialog::showHelp()
{
    m_help.showHelp(m_helpFile, m_helpCommand);
}
