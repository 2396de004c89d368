// SPDX-License-Identifier: MIT
#include "dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>

namespace
{

// The title of an open dialog that has none of its own, as the platform gives it.
const QString kDefaultOpenTitle = QStringLiteral("開く");

// Columns of Qt's file model.
enum Column { kName, kSize, kType, kModified };

// Qt's file model writes the modification time in the system locale, however
// the program is set up, and its "Folder" in a catalogue context that Qt's
// Japanese translation lacks. These columns are given in the program's
// locale (QLocale's default) instead.
class LocalizedFileColumns final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole && (index.column() == kModified || index.column() == kType)) {
            if (const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel())) {
                const QModelIndex source = mapToSource(index);
                if (index.column() == kModified)
                    return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
                if (files->isDir(source))
                    return QCoreApplication::translate("QFileDialog", "Folder");
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Widths (pixels) that the size, type and date columns need before the folder
// has been read: the widest texts they commonly hold.
int textColumnWidth(const QFontMetrics& metrics, const QString& sample)
{
    return metrics.horizontalAdvance(sample) + 3 * metrics.averageCharWidth();
}

// Gives the detail view's columns the room their texts take, and the dialog
// the width that shows them beside a readable name column. The columns follow
// each folder the dialog reads, since their texts come in after it opens.
class DetailColumnsFitter final : public QObject
{
public:
    DetailColumnsFitter(QFileDialog& dialog, QTreeView& view, QFileSystemModel& files)
        : QObject(&dialog), m_dialog(dialog), m_view(view)
    {
        const QFontMetrics metrics(view.font());
        const QLocale locale;
        const int expected[] = {
            24 * metrics.averageCharWidth(),
            textColumnWidth(metrics, locale.formattedDataSize(1023 * 1024 + 1023)),
            textColumnWidth(metrics, QStringLiteral("MPEG-4 ビデオ")),
            textColumnWidth(metrics, locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58)),
                                                     QLocale::ShortFormat)),
        };
        QHeaderView* header = view.header();
        for (int column : {kName, kSize, kType, kModified})
            header->resizeSection(column, std::max({expected[column], header->sectionSize(column),
                                                    header->sectionSizeHint(column)}));
        connect(&files, &QFileSystemModel::directoryLoaded, this, &DetailColumnsFitter::fitTexts);
        dialog.installEventFilter(this);
    }

protected:
    // Widens the dialog on its first showing, when its layout has given the
    // view its width and before the window appears.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show && !m_widened) {
            m_widened = true;
            const QHeaderView* header = m_view.header();
            const int needed = header->length() + m_view.verticalScrollBar()->sizeHint().width();
            if (const int missing = needed - m_view.viewport()->width(); missing > 0)
                m_dialog.resize(m_dialog.width() + missing, m_dialog.height());
        }
        return false;
    }

private:
    // Only ever wider: a column the user widened stays so.
    void fitTexts()
    {
        for (int column : {kSize, kType, kModified}) {
            const int before = m_view.header()->sectionSize(column);
            m_view.resizeColumnToContents(column);
            if (m_view.header()->sectionSize(column) < before)
                m_view.header()->resizeSection(column, before);
        }
    }

    QFileDialog& m_dialog;
    QTreeView& m_view;
    bool m_widened = false;
};

void fitDetailColumns(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* files = dialog.findChild<QFileSystemModel*>();
    if (view && files)
        new DetailColumnsFitter(dialog, *view, *files);
}

} // namespace

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
    dialog.setWindowTitle(request.title.isEmpty() ? kDefaultOpenTitle : request.title);
    dialog.setProxyModel(new LocalizedFileColumns(&dialog));

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
    fitDetailColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
