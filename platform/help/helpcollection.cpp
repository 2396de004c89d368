// SPDX-License-Identifier: MIT
#include "helpcollection.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QStandardPaths>

namespace
{

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The newest modification time among the collection and its documentation
// files, or an invalid time when one of those is missing.
QDateTime newestPart(QHelpEngineCore& engine, const QString& collection)
{
    QDateTime newest = QFileInfo(collection).lastModified();
    for (const QString& ns : engine.registeredDocumentations()) {
        const QFileInfo doc(engine.documentationFileName(ns));
        if (!doc.isFile())
            return {};
        newest = qMax(newest, doc.lastModified());
    }
    return newest;
}

// The copy records which original it was made from: the newest modification
// time of the original's parts. A copy is reused while it opens, names
// documentation that exists, and records the original as it is now.
const QString kStampKey = QStringLiteral("MeroSonx/sourceTime");

QString stampOf(const QDateTime& newest)
{
    return QString::number(newest.toMSecsSinceEpoch());
}

bool copyIsCurrent(const QString& copy, const QString& stamp)
{
    if (!QFileInfo(copy).isFile())
        return false;
    QHelpEngineCore engine(copy);
    engine.setReadOnly(true);
    if (!engine.setupData() || engine.registeredDocumentations().isEmpty() ||
        !newestPart(engine, copy).isValid())
        return false;
    return engine.customValue(kStampKey).toString() == stamp;
}

bool stamp(const QString& copy, const QString& stamp)
{
    QHelpEngineCore engine(copy);
    engine.setReadOnly(false);
    return engine.setupData() && engine.setCustomValue(kStampKey, stamp);
}

} // namespace

HelpCollection::HelpCollection(QString sourcePath, QString cacheRoot)
    : m_sourcePath(std::move(sourcePath)),
      m_cacheRoot(cacheRoot.isEmpty() ? defaultCacheRoot() : std::move(cacheRoot))
{
}

QString HelpCollection::copyPath() const
{
    const QFileInfo source(m_sourcePath);
    // One folder per installed collection, so that two program directories
    // never share a copy.
    const QByteArray key =
        QCryptographicHash::hash(source.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return m_cacheRoot + QStringLiteral("/help-") + QString::fromLatin1(key) + QLatin1Char('/') +
           source.fileName();
}

bool HelpCollection::prepare()
{
    m_enginePath.clear();
    m_message.clear();
    const QFileInfo source(m_sourcePath);
    if (!source.isFile()) {
        m_message = QStringLiteral("ヘルプファイルが見つかりません: %1").arg(native(m_sourcePath));
        return false;
    }

    QHelpEngineCore original(source.absoluteFilePath());
    original.setReadOnly(true);
    if (!original.setupData() || original.registeredDocumentations().isEmpty()) {
        m_message = QStringLiteral("ヘルプファイルを開けません: %1").arg(native(m_sourcePath));
        if (!original.error().isEmpty())
            m_message += QStringLiteral("（%1）").arg(original.error());
        return false;
    }
    const QDateTime newest = newestPart(original, source.absoluteFilePath());
    if (!newest.isValid()) {
        for (const QString& ns : original.registeredDocumentations())
            if (!QFileInfo(original.documentationFileName(ns)).isFile()) {
                m_message = QStringLiteral("ヘルプファイルが見つかりません: %1")
                                .arg(native(original.documentationFileName(ns)));
                break;
            }
        return false;
    }

    const QString copy = copyPath();
    const QString sourceStamp = stampOf(newest);
    if (copyIsCurrent(copy, sourceStamp)) {
        m_enginePath = copy;
        return true;
    }
    QFile::remove(copy);
    if (QDir().mkpath(QFileInfo(copy).absolutePath()) && original.copyCollectionFile(copy) &&
        stamp(copy, sourceStamp) && copyIsCurrent(copy, sourceStamp)) {
        m_enginePath = copy;
    } else {
        // Contents, index and our own search all read the original as it is.
        QFile::remove(copy);
        m_enginePath = source.absoluteFilePath();
    }
    return true;
}

QString HelpCollection::defaultCacheRoot()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty() && QDir().mkpath(cache) && QFileInfo(cache).isWritable())
        return cache;
    return QDir::temp().filePath(QStringLiteral("merosonx-help"));
}
