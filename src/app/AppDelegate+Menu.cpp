#include "AppDelegate.h"

#include "ui/StatusIcon.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

void AppDelegate::configureStatusItem() {
    statusItem = new QSystemTrayIcon(this);
    statusItem->setToolTip(u"Tovi: 菜单栏状态续命搭子"_s);
    statusItem->setIcon(makeStatusBarIcon());
    // A tray-only program opens its menu on a left click as well.
    connect(statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUpStatusMenu();
    });
}

void AppDelegate::setupMenu() {
    delete m_statusMenu;
    m_statusMenu = new QMenu;
    statusMenuItem = m_statusMenu->addAction(u"⏳ 系统自检中，别急"_s);
    statusMenuItem->setEnabled(false);
    m_statusMenu->addSeparator();
    QAction* quit = m_statusMenu->addAction(u"退出"_s);
    connect(quit, &QAction::triggered, this, &AppDelegate::quitApp);
    if (statusItem) {
        statusItem->setContextMenu(m_statusMenu);
        statusItem->show();
    }
}

void AppDelegate::popUpStatusMenu() {
    if (!m_statusMenu || m_statusMenu->isVisible())
        return;
    const QRect icon = statusItem ? statusItem->geometry() : QRect();
    m_statusMenu->popup(icon.isValid() ? icon.bottomLeft() : QCursor::pos());
}
