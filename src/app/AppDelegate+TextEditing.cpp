#include "AppDelegate.h"

#include <QAction>
#include <QMenuBar>

using namespace Qt::StringLiterals;

// Qt's line edits already handle cut, copy, paste and select-all with the
// platform shortcuts, so the edit menu only names them. The menu bar is never
// shown: a tray program has no main window to hold it, so the quit key is
// matched by the application's event filter instead of the hidden action.
void AppDelegate::configureMainMenuForTextEditing() {
    delete m_mainMenu;
    m_mainMenu = new QMenuBar;
    m_mainMenu->setVisible(false);
    QMenu* app = m_mainMenu->addMenu(u"Tovi"_s);
    QAction* about = app->addAction(u"关于 Tovi"_s);
    connect(about, &QAction::triggered, this, &AppDelegate::showAbout);
    app->addSeparator();
    QAction* quit = app->addAction(u"退出 Tovi"_s);
    quit->setShortcut(quitKey());
    connect(quit, &QAction::triggered, this, &AppDelegate::quitApp);

    QMenu* edit = m_mainMenu->addMenu(u"编辑"_s);
    const std::pair<QString, QKeySequence::StandardKey> entries[] = {
        {u"剪切"_s, QKeySequence::Cut},
        {u"复制"_s, QKeySequence::Copy},
        {u"粘贴"_s, QKeySequence::Paste},
        {u"全选"_s, QKeySequence::SelectAll},
    };
    for (const auto& [title, key] : entries) {
        // Shown as a hint only: a shortcut here would steal the key from the field.
        QAction* action =
            edit->addAction(title + u'\t' + QKeySequence(key).toString(QKeySequence::NativeText));
        action->setEnabled(false);
    }
}
