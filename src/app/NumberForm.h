#pragma once

#include <QList>
#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

// Trims white space and line breaks, then reads a base-10 integer: an optional
// sign and ASCII digits only, within 64 bits. Anything else is no number.
std::optional<qint64> parseDialogInteger(const QString& text);

struct NumberField {
    QString title;
    qint64 initialValue = 0;
    QString placeholder;
    qint64 minimum = 0;
    qint64 maximum = 0;
};

// The labelled fields of an input dialog: 256 points wide, rows of 24 points
// 10 apart, the title on the left (128 wide) and a right-aligned field at 136.
class NumberForm {
public:
    explicit NumberForm(const QList<NumberField>& fields);
    ~NumberForm();

    QWidget* view() const { return m_view; }
    QLineEdit* field(int index) const { return m_edits.value(index); }
    // Every field's value when all parse and lie in their ranges.
    std::optional<QList<qint64>> values() const;

private:
    QList<NumberField> m_fields;
    QWidget* m_view;
    QList<QLineEdit*> m_edits;
};
