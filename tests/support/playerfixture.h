// SPDX-License-Identifier: MIT
#pragma once

#include "frmMeroSonx.h"
#include "scripteddialogs.h"
#include "settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// A main window started in a program directory of its own, with its dialogs
// answered by the test.
class PlayerTest : public ::testing::Test
{
protected:
    void start(const QString& commandLine = {})
    {
        form = std::make_unique<frmMeroSonx>(dialogs, commandLine, dir.path());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->window()));
    }
    void writeSettings(const QByteArray& bytes)
    {
        QFile f(settingsPath(dir.path()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray settingsBytes() const
    {
        QFile f(settingsPath(dir.path()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Closes the window the way the title bar does.
    void quit()
    {
        form->window()->close();
        ASSERT_FALSE(form->isLoaded());
    }
    static bool waitFor(const std::function<bool()>& condition, int ms = 5000)
    {
        return QTest::qWaitFor(condition, ms);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs{QStringLiteral("Mero Sonx3")};
    std::unique_ptr<frmMeroSonx> form;
};
