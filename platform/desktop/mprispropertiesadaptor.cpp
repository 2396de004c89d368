// SPDX-License-Identifier: MIT
#include "mprispropertiesadaptor.h"

#include "mprisdbus.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QMetaProperty>

namespace
{

QString interfaceName(const QObject* adaptor)
{
    const QMetaObject* meta = adaptor->metaObject();
    const int index = meta->indexOfClassInfo("D-Bus Interface");
    return index >= 0 ? QString::fromLatin1(meta->classInfo(index).value()) : QString();
}

// The adaptor's own D-Bus properties, not those of QObject and its base.
QMetaProperty propertyOf(const QObject* adaptor, const QString& name)
{
    const QMetaObject* meta = adaptor->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    return index >= QDBusAbstractAdaptor::staticMetaObject.propertyCount() ? meta->property(index)
                                                                           : QMetaProperty();
}

} // namespace

MprisPropertiesAdaptor::MprisPropertiesAdaptor(QDBusConnection bus, QObject* parent)
    : QDBusAbstractAdaptor(parent), m_bus(std::move(bus))
{
}

QDBusAbstractAdaptor* MprisPropertiesAdaptor::interfaceOf(const QDBusMessage& call,
                                                          const QString& interface) const
{
    for (QDBusAbstractAdaptor* adaptor :
         parent()->findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly)) {
        if (adaptor != this && interfaceName(adaptor) == interface)
            return adaptor;
    }
    mprisdbus::refuse(call, QDBusError::UnknownInterface,
                      QStringLiteral("No interface %1 here").arg(interface), m_bus);
    return nullptr;
}

void MprisPropertiesAdaptor::Get(const QDBusMessage& call)
{
    if (!mprisdbus::expectArguments(call, QStringLiteral("ss"), m_bus))
        return;
    const QString interface = call.arguments().at(0).toString();
    const QString name = call.arguments().at(1).toString();
    const QDBusAbstractAdaptor* adaptor = interfaceOf(call, interface);
    if (!adaptor)
        return;
    const QMetaProperty property = propertyOf(adaptor, name);
    if (!property.isValid() || !property.isReadable()) {
        mprisdbus::refuse(call, QDBusError::UnknownProperty,
                          QStringLiteral("No property %1.%2").arg(interface, name), m_bus);
        return;
    }
    mprisdbus::answer(call, {QVariant::fromValue(QDBusVariant(property.read(adaptor)))}, m_bus);
}

void MprisPropertiesAdaptor::GetAll(const QDBusMessage& call)
{
    if (!mprisdbus::expectArguments(call, QStringLiteral("s"), m_bus))
        return;
    const QDBusAbstractAdaptor* adaptor = interfaceOf(call, call.arguments().at(0).toString());
    if (!adaptor)
        return;
    QVariantMap values;
    const QMetaObject* meta = adaptor->metaObject();
    for (int i = QDBusAbstractAdaptor::staticMetaObject.propertyCount(); i < meta->propertyCount();
         ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isReadable())
            values.insert(QString::fromLatin1(property.name()), property.read(adaptor));
    }
    mprisdbus::answer(call, {values}, m_bus);
}

void MprisPropertiesAdaptor::Set(const QDBusMessage& call)
{
    if (!mprisdbus::expectArguments(call, QStringLiteral("ssv"), m_bus))
        return;
    const QString interface = call.arguments().at(0).toString();
    const QString name = call.arguments().at(1).toString();
    QDBusAbstractAdaptor* adaptor = interfaceOf(call, interface);
    if (!adaptor)
        return;
    const QMetaProperty property = propertyOf(adaptor, name);
    if (!property.isValid()) {
        mprisdbus::refuse(call, QDBusError::UnknownProperty,
                          QStringLiteral("No property %1.%2").arg(interface, name), m_bus);
        return;
    }
    if (!property.isWritable()) {
        mprisdbus::refuse(call, QDBusError::PropertyReadOnly,
                          QStringLiteral("%1.%2 is read-only").arg(interface, name), m_bus);
        return;
    }
    const QVariant value = qvariant_cast<QDBusVariant>(call.arguments().at(2)).variant();
    const char* expected = QDBusMetaType::typeToSignature(property.metaType());
    const char* given = QDBusMetaType::typeToSignature(value.metaType());
    if (!expected || !given || qstrcmp(expected, given) != 0) {
        mprisdbus::refuse(call, QDBusError::InvalidArgs,
                          QStringLiteral("%1.%2 takes a value of type %3, not %4")
                              .arg(interface, name, QLatin1String(expected ? expected : "?"),
                                   QLatin1String(given ? given : "?")),
                          m_bus);
        return;
    }
    property.write(adaptor, value);
    mprisdbus::answer(call, {}, m_bus);
}
