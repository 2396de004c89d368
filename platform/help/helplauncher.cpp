// SPDX-License-Identifier: MIT
#include "helplauncher.h"

#include "helpviewer.h"

#include <QFileInfo>

HelpLauncher::HelpLauncher(QString cacheRoot) : m_cacheRoot(std::move(cacheRoot)) {}

HelpLauncher::~HelpLauncher()
{
    delete m_viewer;
}

HelpViewer* HelpLauncher::showHelp(const QString& helpFile, int command)
{
    if (command == kQuit) {
        if (m_viewer)
            m_viewer->close();
        return nullptr;
    }
    // Another file, or one that could not be shown before and may be there
    // now, gets a fresh window in place of the old one.
    const bool sameFile = m_viewer && QFileInfo(m_viewer->collectionPath()) == QFileInfo(helpFile);
    if (m_viewer && (!sameFile || !m_viewer->isUsable())) {
        const QRect placed = m_viewer->isVisible() ? m_viewer->geometry() : QRect();
        delete m_viewer;
        m_viewer = new HelpViewer(helpFile, m_cacheRoot);
        if (placed.isValid())
            m_viewer->setGeometry(placed);
    } else if (!m_viewer) {
        m_viewer = new HelpViewer(helpFile, m_cacheRoot);
    }

    switch (command) {
    case kKey:
    case kPartialKey:
        m_viewer->showFinder(HelpViewer::Finder::Keywords);
        break;
    default:
        m_viewer->showFinder(HelpViewer::Finder::Contents);
        break;
    }
    if (m_viewer->isMinimized())
        m_viewer->showNormal();
    else
        m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
    return m_viewer;
}
