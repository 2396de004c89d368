// SPDX-License-Identifier: MIT
#include "screensaverrecorder.h"

#include <QDBusConnection>
#include <QObject>
#include <algorithm>

namespace
{

const QString kConnection = QStringLiteral("screensaver-recorder");

class RecordingService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit RecordingService(ScreenSaverRecorder& recorder) : m_recorder(recorder) {}

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        return m_recorder.recordInhibit(application, reason);
    }
    void UnInhibit(uint cookie) { m_recorder.recordUnInhibit(cookie); }

private:
    ScreenSaverRecorder& m_recorder;
};

} // namespace

ScreenSaverRecorder::ScreenSaverRecorder()
{
    m_thread.setObjectName(QStringLiteral("screensaver-recorder"));
    m_thread.start();
    auto* service = new RecordingService(*this);
    service->moveToThread(&m_thread);
    m_service = service;
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
    m_registered = bus.isConnected() &&
                   bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), service,
                                      QDBusConnection::ExportAllSlots) &&
                   bus.registerObject(QStringLiteral("/ScreenSaver"), service,
                                      QDBusConnection::ExportAllSlots) &&
                   bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
}

ScreenSaverRecorder::~ScreenSaverRecorder()
{
    {
        QDBusConnection bus(kConnection);
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        bus.unregisterObject(QStringLiteral("/ScreenSaver"));
    }
    QDBusConnection::disconnectFromBus(kConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_service; // its thread has ended
}

QList<ScreenSaverRecorder::Call> ScreenSaverRecorder::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

int ScreenSaverRecorder::count(const QString& method) const
{
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(std::count_if(m_calls.cbegin(), m_calls.cend(),
                                          [&](const Call& c) { return c.method == method; }));
}

QList<uint> ScreenSaverRecorder::held() const
{
    QMutexLocker lock(&m_mutex);
    QList<uint> cookies;
    for (const Call& call : m_calls) {
        if (call.method == QLatin1String("Inhibit"))
            cookies.append(call.cookie);
        else
            cookies.removeOne(call.cookie);
    }
    return cookies;
}

uint ScreenSaverRecorder::recordInhibit(const QString& application, const QString& reason)
{
    QMutexLocker lock(&m_mutex);
    const uint cookie = m_nextCookie++;
    m_calls.append({QStringLiteral("Inhibit"), cookie, application, reason});
    return cookie;
}

void ScreenSaverRecorder::recordUnInhibit(uint cookie)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({QStringLiteral("UnInhibit"), cookie, {}, {}});
}

#include "screensaverrecorder.moc"
