// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QString>

// Answers to the bus for the MPRIS objects' own handling of calls: QtDBus
// answers a call whose arguments match no slot with UnknownMethod, and a
// property write of the wrong type with an error of its own, where D-Bus
// clients expect org.freedesktop.DBus.Error.InvalidArgs.
namespace mprisdbus
{

// True when `call` carries exactly the arguments of D-Bus `signature`;
// otherwise answers it with InvalidArgs and returns false.
bool expectArguments(const QDBusMessage& call, const QString& signature,
                     const QDBusConnection& bus);
// Answers `call` with an error instead of the reply QtDBus would send.
void refuse(const QDBusMessage& call, QDBusError::ErrorType error, const QString& message,
            const QDBusConnection& bus);
// Answers `call` with `arguments` instead of the empty reply.
void answer(const QDBusMessage& call, const QList<QVariant>& arguments, const QDBusConnection& bus);

} // namespace mprisdbus
