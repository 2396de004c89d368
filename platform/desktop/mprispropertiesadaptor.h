// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>

// org.freedesktop.DBus.Properties for the other adaptors of its object: Get,
// GetAll and Set of their Q_PROPERTYs, answered the way D-Bus clients expect
// (UnknownInterface, UnknownProperty, PropertyReadOnly, and InvalidArgs for a
// value of the wrong type, which QtDBus's own handling would answer with an
// internal error of its own). QtDBus hands calls to an object's adaptors before
// it handles the standard interfaces itself, so this one takes them; the
// object's introspection keeps QtDBus's description of the interface.
// UI thread only.
class MprisPropertiesAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    Q_CLASSINFO("D-Bus Introspection", "")
public:
    // `parent` is the exported object; `bus` the connection it is exported on.
    MprisPropertiesAdaptor(QDBusConnection bus, QObject* parent);

public slots:
    void Get(const QDBusMessage& call);
    void GetAll(const QDBusMessage& call);
    void Set(const QDBusMessage& call);

private:
    // The sibling adaptor for `interface`; null when there is none (answered).
    QDBusAbstractAdaptor* interfaceOf(const QDBusMessage& call, const QString& interface) const;
    QDBusConnection m_bus;
};
