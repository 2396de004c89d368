// SPDX-License-Identifier: MIT
#include "richtextbox.h"

#include "apperror.h"
#include "paragraphs.h"
#include "rtfreader.h"
#include "textdecoder.h"
#include "twips.h"
#include "uifont.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFormat>
#include <algorithm>
#include <cmath>
#include <memory>

namespace
{

constexpr int kFileNotFound = 53;
constexpr int kPathFileAccessError = 75;

// The last line of a file cut at kMaxLoadBytes.
const QString kOmitted = QStringLiteral("…(以下省略)");

[[noreturn]] void fail(int number, const QString& description)
{
    throw AppError(number, QCoreApplication::applicationName(), description);
}

void requireFinite(float twips)
{
    if (!std::isfinite(twips))
        fail(errors::kInvalidPropertyValue, QStringLiteral("Invalid property value"));
}

void requireSize(float twips)
{
    requireFinite(twips);
    if (twips < 0)
        fail(errors::kInvalidPropertyValue, QStringLiteral("Invalid property value"));
}

// Pixels for a twips value, held within what a widget's geometry can take.
int pixels(float twips, double perPixel, int lowest)
{
    const double bounded = std::clamp(double(twips), lowest * perPixel, QWIDGETSIZE_MAX * perPixel);
    return twips::toPixels(bounded, perPixel);
}

// Reads at most kMaxLoadBytes + 1 bytes: one more tells that the file is longer.
QByteArray readCapped(QFile& file)
{
    const qint64 limit = RichTextBox::kMaxLoadBytes + 1;
    if (!file.isSequential())
        return file.read(std::min(file.size(), limit));
    QByteArray bytes;
    while (bytes.size() < limit) {
        const QByteArray chunk = file.read(std::min<qint64>(1 << 16, limit - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return bytes;
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(japaneseFont());
    document()->setUndoRedoEnabled(false);

    const double perPixel = twips::perPixel(this);
    m_left = twips::fromPixels(x(), perPixel);
    m_top = twips::fromPixels(y(), perPixel);
    m_width = twips::fromPixels(width(), perPixel);
    m_height = twips::fromPixels(height(), perPixel);
}

void RichTextBox::LoadFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        fail(kPathFileAccessError,
             QStringLiteral("Path/File access error: %1 (Is a directory)").arg(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            fail(kFileNotFound,
                 QStringLiteral("File not found: %1 (%2)").arg(path, file.errorString()));
        fail(kPathFileAccessError,
             QStringLiteral("Path/File access error: %1 (%2)").arg(path, file.errorString()));
    }
    QByteArray bytes = readCapped(file);
    if (file.error() != QFileDevice::NoError)
        fail(kPathFileAccessError,
             QStringLiteral("Path/File access error: %1 (%2)").arg(path, file.errorString()));
    file.close();

    const bool cut = bytes.size() > kMaxLoadBytes;
    if (cut)
        bytes.truncate(kMaxLoadBytes);

    // The content is built in a document of its own, away from the view, and
    // then takes the place of the shown one: the view lays it out once, from
    // the top, and keeps showing the old content if building fails.
    auto content = std::make_unique<QTextDocument>();
    content->setUndoRedoEnabled(false);
    content->setDefaultFont(font());
    content->setDefaultTextOption(document()->defaultTextOption()); // the wrap mode
    content->setDocumentMargin(document()->documentMargin());
    std::optional<LrcLyrics> lyrics;
    if (RtfReader::isRtf(bytes)) {
        RtfReader::read(bytes, *content);
    } else {
        const QString text = TextDecoder::decode(bytes);
        bytes = QByteArray();
        // A file named .rtf shows as it is, whatever its lines look like.
        if (QFileInfo(path).suffix().compare(u"rtf", Qt::CaseInsensitive) != 0)
            lyrics = LrcLyrics::read(text);
        content->setPlainText(lyrics ? lyrics->text() : paragraphs::breakLongLines(text));
    }
    bytes = QByteArray();
    if (cut) {
        QTextCursor cursor(content.get());
        cursor.movePosition(QTextCursor::End);
        if (!cursor.block().text().isEmpty())
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(kOmitted, QTextCharFormat());
    }

    // QTextEdit deletes the document it made itself; the ones made here are ours.
    const QPointer<QTextDocument> shown = document();
    content->setParent(this);
    setDocument(content.release());
    if (shown && shown->parent() == this)
        delete shown;
    m_lyrics = std::move(lyrics);
    emit contentReplaced();
}

QString RichTextBox::text() const
{
    return toPlainText();
}

void RichTextBox::setLeft(float twips)
{
    requireFinite(twips);
    m_left = twips;
    applyGeometry();
}

void RichTextBox::setTop(float twips)
{
    requireFinite(twips);
    m_top = twips;
    applyGeometry();
}

void RichTextBox::setWidth(float twips)
{
    requireSize(twips);
    m_width = twips;
    applyGeometry();
}

void RichTextBox::setHeight(float twips)
{
    requireSize(twips);
    m_height = twips;
    applyGeometry();
}

void RichTextBox::applyGeometry()
{
    const double perPixel = twips::perPixel(this);
    setGeometry(pixels(m_left, perPixel, -QWIDGETSIZE_MAX),
                pixels(m_top, perPixel, -QWIDGETSIZE_MAX), pixels(m_width, perPixel, 0),
                pixels(m_height, perPixel, 0));
}
