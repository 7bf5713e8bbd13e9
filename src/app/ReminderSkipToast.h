#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

// The small floating panel that answers a skipped reminder: a title line over
// the message, never taking focus.
class ReminderSkipToast : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 390;
    static constexpr int height = 118;
    static constexpr int sideInset = 24;
    static constexpr int cornerRadius = 16;
    static constexpr int spacing = 8;

    ReminderSkipToast(const QString& title, const QString& message);

    QString title() const { return m_title; }
    QString message() const { return m_message; }
    // The message as drawn: at most two lines, the second cut with an ellipsis.
    QStringList messageLines() const;

    static QFont titleFont();
    static QFont messageFont();
    static QStringList wrapLines(const QString& text, const QFont& font, int width, int maxLines);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_message;
};
