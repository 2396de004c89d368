// SPDX-License-Identifier: MIT
#include "xsmpmanager.h"

#include <QSocketNotifier>
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace
{

XsmpManager* g_manager = nullptr;

// ICE's default ends the process when a peer goes away.
void ignoreIoError(IceConn) {}

Bool anyLocalClient(char*)
{
    return True;
}

Status registerClient(SmsConn smsConn, SmPointer, char* previousId)
{
    free(previousId);
    char* id = SmsGenerateClientID(smsConn);
    SmsRegisterClientReply(smsConn, id);
    free(id);
    if (g_manager)
        g_manager->onRegistered();
    return 1;
}

void interactRequest(SmsConn smsConn, SmPointer, int)
{
    SmsInteract(smsConn);
}

void interactDone(SmsConn, SmPointer, Bool) {}

void saveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}

void saveYourselfPhase2Request(SmsConn smsConn, SmPointer)
{
    SmsSaveYourselfPhase2(smsConn);
}

void saveYourselfDone(SmsConn, SmPointer, Bool success)
{
    if (g_manager)
        g_manager->onSaveDone(success);
}

void closeConnection(SmsConn smsConn, SmPointer, int count, char** reasons)
{
    SmFreeReasons(count, reasons);
    SmsCleanUp(smsConn);
    if (g_manager)
        g_manager->onClosed();
}

void setProperties(SmsConn, SmPointer, int count, SmProp** properties)
{
    for (int i = 0; i < count; ++i) {
        const SmProp* property = properties[i];
        if (std::strcmp(property->name, SmRestartStyleHint) == 0 && property->num_vals == 1 &&
            property->vals[0].length >= 1 && g_manager)
            g_manager->onRestartHint(*static_cast<unsigned char*>(property->vals[0].value));
        SmFreeProperty(properties[i]);
    }
    free(properties);
}

void deleteProperties(SmsConn, SmPointer, int count, char** names)
{
    for (int i = 0; i < count; ++i)
        free(names[i]);
    free(names);
}

void getProperties(SmsConn smsConn, SmPointer)
{
    SmsReturnProperties(smsConn, 0, nullptr);
}

Status newClient(SmsConn smsConn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**)
{
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    callbacks->register_client.callback = registerClient;
    callbacks->interact_request.callback = interactRequest;
    callbacks->interact_done.callback = interactDone;
    callbacks->save_yourself_request.callback = saveYourselfRequest;
    callbacks->save_yourself_phase2_request.callback = saveYourselfPhase2Request;
    callbacks->save_yourself_done.callback = saveYourselfDone;
    callbacks->close_connection.callback = closeConnection;
    callbacks->set_properties.callback = setProperties;
    callbacks->delete_properties.callback = deleteProperties;
    callbacks->get_properties.callback = getProperties;
    if (g_manager)
        g_manager->onNewClient(smsConn);
    return 1;
}

} // namespace

XsmpManager::XsmpManager()
{
    g_manager = this;
    // ICE writes with write(): a client gone must not end the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    IceSetIOErrorHandler(ignoreIoError);
    char error[256] = {};
    if (!SmsInitialize("MeroSonxTests", "1.0", newClient, nullptr, anyLocalClient, sizeof error,
                       error)) {
        qWarning("XsmpManager: %s", error);
        return;
    }
    IceListenObj* objects = nullptr;
    if (!IceListenForConnections(&m_listenCount, &objects, sizeof error, error)) {
        qWarning("XsmpManager: %s", error);
        return;
    }
    m_listenObjects = objects;
    QList<IceListenObj> local;
    for (int i = 0; i < m_listenCount; ++i) {
        char* id = IceGetListenConnectionString(objects[i]);
        if (std::strncmp(id, "local/", 6) == 0 || std::strncmp(id, "unix/", 5) == 0) {
            local.append(objects[i]);
            IceSetHostBasedAuthProc(objects[i], anyLocalClient);
            auto* notifier = new QSocketNotifier(IceGetListenConnectionNumber(objects[i]),
                                                 QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, i] { accept(i); });
            m_listeners.append(notifier);
        }
        free(id);
    }
    if (local.isEmpty())
        return;
    char* ids = IceComposeNetworkIdList(static_cast<int>(local.size()), local.data());
    m_address = QString::fromLocal8Bit(ids);
    free(ids);
}

XsmpManager::~XsmpManager()
{
    delete m_connectionNotifier;
    if (m_client)
        SmsCleanUp(static_cast<SmsConn>(m_client));
    if (m_connection) {
        IceSetShutdownNegotiation(static_cast<IceConn>(m_connection), False);
        IceCloseConnection(static_cast<IceConn>(m_connection));
    }
    qDeleteAll(m_listeners);
    if (m_listenObjects)
        IceFreeListenObjs(m_listenCount, static_cast<IceListenObj*>(m_listenObjects));
    g_manager = nullptr;
}

void XsmpManager::accept(int listenIndex)
{
    IceAcceptStatus status;
    IceConn connection =
        IceAcceptConnection(static_cast<IceListenObj*>(m_listenObjects)[listenIndex], &status);
    if (!connection || m_connection) { // one client at a time
        if (connection)
            IceCloseConnection(connection);
        return;
    }
    m_connection = connection;
    m_connectionNotifier =
        new QSocketNotifier(IceConnectionNumber(connection), QSocketNotifier::Read, this);
    connect(m_connectionNotifier, &QSocketNotifier::activated, this, &XsmpManager::process);
}

void XsmpManager::process()
{
    auto* connection = static_cast<IceConn>(m_connection);
    if (IceProcessMessages(connection, nullptr, nullptr) != IceProcessMessagesIOError &&
        IceConnectionStatus(connection) != IceConnectRejected)
        return;
    m_connectionNotifier->deleteLater();
    m_connectionNotifier = nullptr;
    // A client gone without closing its session leaves its SmsConn to us.
    if (m_client)
        SmsCleanUp(static_cast<SmsConn>(m_client));
    IceSetShutdownNegotiation(connection, False);
    IceCloseConnection(connection);
    m_connection = nullptr;
    m_client = nullptr;
    m_closed = true;
}

void XsmpManager::requestLogout()
{
    if (m_client)
        SmsSaveYourself(static_cast<SmsConn>(m_client), SmSaveBoth, True, SmInteractStyleAny,
                        False);
}

void XsmpManager::onNewClient(void* smsConn)
{
    m_client = smsConn;
}

void XsmpManager::onSaveDone(bool success)
{
    m_saveDone = true;
    m_saveSucceeded = success;
    if (m_client)
        SmsDie(static_cast<SmsConn>(m_client)); // the logout goes on
}

void XsmpManager::onClosed()
{
    m_client = nullptr;
    m_closed = true;
}
