// SPDX-License-Identifier: MIT
#include "mprisdbus.h"

namespace mprisdbus
{

bool expectArguments(const QDBusMessage& call, const QString& signature, const QDBusConnection& bus)
{
    if (call.signature() == signature)
        return true;
    refuse(
        call, QDBusError::InvalidArgs,
        QStringLiteral("%1 takes (%2), not (%3)").arg(call.member(), signature, call.signature()),
        bus);
    return false;
}

void refuse(const QDBusMessage& call, QDBusError::ErrorType error, const QString& message,
            const QDBusConnection& bus)
{
    call.setDelayedReply(true);
    bus.send(call.createErrorReply(error, message));
}

void answer(const QDBusMessage& call, const QList<QVariant>& arguments, const QDBusConnection& bus)
{
    call.setDelayedReply(true);
    bus.send(call.createReply(arguments));
}

} // namespace mprisdbus
