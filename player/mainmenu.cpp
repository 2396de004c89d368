// SPDX-License-Identifier: MIT
#include "mainmenu.h"

#include "apperror.h"
#include "frmMeroSonx.h"

#include <QMenu>
#include <QMenuBar>

namespace
{

using Handler = void (frmMeroSonx::*)();

struct Item {
    const char* name;
    const char* caption; // "-" is a separator
    const char* parent;  // nullptr: on the menu bar itself
    const char* shortcut;
    Handler handler; // nullptr: opens a submenu
    bool checkMark = false;
};

// In display order. A parent always comes before its items.
const Item kItems[] = {
    {"File", "ファイル(&F)", nullptr, "", nullptr},
    {"Open", "開く(&O)", "File", "Ctrl+O", &frmMeroSonx::Open_Click},
    {"区分線1", "-", "File", "", nullptr},
    {"Quit", "終了(&Q)", "File", "Ctrl+Q", &frmMeroSonx::Quit_Click},
    {"WordsWindow", "歌詞(&W)", nullptr, "", &frmMeroSonx::WordsWindow_Click},
    {"Option", "オプション(&O)", nullptr, "", nullptr},
    {"Window", "Windowの形", "Option", "", nullptr},
    {"Small", "Small(最小化)", "Window", "", &frmMeroSonx::Small_Click},
    {"Compact", "コンパクト", "Window", "", &frmMeroSonx::Compact_Click},
    {"Nomal", "ノーマル", "Window", "", &frmMeroSonx::Nomal_Click},
    {"Big", "Big(最大化)", "Window", "", &frmMeroSonx::Big_Click},
    {"Window位置", "Windowの位置", "Option", "", nullptr},
    {"Left_Up", "左上", "Window位置", "", &frmMeroSonx::Left_Up_Click},
    {"中央位置", "中央", "Window位置", "", &frmMeroSonx::中央位置_Click},
    {"Right_Down", "右下", "Window位置", "", &frmMeroSonx::Right_Down_Click},
    {"See", "表示(&S)", "Option", "", nullptr},
    {"Infor表示", "インフォメーションの表示", "See", "", &frmMeroSonx::Infor表示_Click, true},
    {"Help", "ヘルプ(&H)", nullptr, "", nullptr},
    {"Topics", "トピックの検索(&T)", "Help", "F1", &frmMeroSonx::Topics_Click},
    {"区分線2", "-", "Help", "", nullptr},
    {"About", "ﾊﾞｰｼﾞｮﾝ情報(&A)", "Help", "Ctrl+A", &frmMeroSonx::About_Click},
};

// A handler's failure that it does not trap itself must not take the program
// down with it: it is shown, and the program goes on.
void run(frmMeroSonx& form, Handler handler)
{
    try {
        (form.*handler)();
    } catch (const AppError& e) {
        qWarning("MeroSonx: untrapped error %d from %s: %s", e.number(), qUtf8Printable(e.source()),
                 qUtf8Printable(e.description()));
    } catch (const std::exception& e) {
        qWarning("MeroSonx: untrapped error: %s", e.what());
    }
}

} // namespace

QHash<QString, QPointer<QAction>> buildMainMenu(QMenuBar& bar, frmMeroSonx& form)
{
    QHash<QString, QPointer<QAction>> actions;
    QHash<QString, QMenu*> menus;
    for (const Item& item : kItems) {
        const QString name = QString::fromUtf8(item.name);
        const QString caption = QString::fromUtf8(item.caption);
        QMenu* parent = item.parent ? menus.value(QString::fromUtf8(item.parent)) : nullptr;
        QAction* action = nullptr;
        if (caption == u'-') {
            action = parent->addSeparator();
        } else if (!item.handler) {
            QMenu* menu = parent ? parent->addMenu(caption) : bar.addMenu(caption);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = parent ? parent->addAction(caption) : bar.addAction(caption);
            if (*item.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            // Shortcuts work wherever the focus is inside the main window.
            action->setShortcutContext(Qt::WindowShortcut);
            // The handler of a checked item sets the mark itself: undo
            // QAction's own toggle before it runs.
            action->setCheckable(item.checkMark);
            action->setChecked(item.checkMark);
            const Handler handler = item.handler;
            QObject::connect(action, &QAction::triggered, &form, [&form, handler, action] {
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                run(form, handler);
            });
        }
        action->setObjectName(name);
        actions.insert(name, action);
    }
    return actions;
}
