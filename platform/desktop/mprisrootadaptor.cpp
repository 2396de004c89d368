// SPDX-License-Identifier: MIT
#include "mprisrootadaptor.h"

#include <QTimer>

MprisRootAdaptor::MprisRootAdaptor(Identification identification, std::function<void()> quit,
                                   std::function<void()> raise, QObject* parent)
    : QDBusAbstractAdaptor(parent), m_identification(std::move(identification)),
      m_quit(std::move(quit)), m_raise(std::move(raise))
{
}

void MprisRootAdaptor::Raise()
{
    if (m_raise)
        QTimer::singleShot(0, this, m_raise);
}

void MprisRootAdaptor::Quit()
{
    if (m_quit)
        QTimer::singleShot(0, this, m_quit);
}
