// SPDX-License-Identifier: MIT
#pragma once

#include "form.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

class Dialogs;

// Return's only window: a notice and two buttons. 設定を戻す writes the
// default settings beside the program; 閉じる ends the program.
class frmMain : public Form
{
    Q_OBJECT
public:
    // `programDirectory`: where Settei.dat is written.
    frmMain(Dialogs& dialogs, QString programDirectory, QObject* parent = nullptr);

    void Return_Click();
    void Close_Click();

    QPushButton* returnButton() const { return Return; }
    QPushButton* closeButton() const { return Close; }
    QLabel* notice() const { return Label1; }

protected:
    Design design() const override;
    void buildWindow(QMainWindow& window) override;

private:
    Dialogs& m_dialogs;
    QString m_programDirectory;
    QPointer<QLabel> Label1;
    QPointer<QPushButton> Return;
    QPointer<QPushButton> Close;
};
