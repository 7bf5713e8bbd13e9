#include "NumberForm.h"

#include "platform/StrictInt.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

std::optional<qint64> parseDialogInteger(const QString& text) {
    return parseStrictInt64(text.trimmed());
}

NumberForm::NumberForm(const QList<NumberField>& fields)
    : m_fields(fields)
    , m_view(new QWidget) {
    const int n = int(fields.size());
    const int height = n == 0 ? 0 : 24 * n + 10 * (n - 1);
    m_view->setFixedSize(256, height);
    for (int i = 0; i < n; ++i) {
        // Rows are laid out from the top: row i starts 34 points lower than row i - 1.
        const int top = 34 * i;
        auto* title = new QLabel(fields[i].title, m_view);
        title->setGeometry(0, top - 1, 128, 24);
        auto* edit = new QLineEdit(QString::number(fields[i].initialValue), m_view);
        edit->setPlaceholderText(fields[i].placeholder);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setGeometry(136, top, 120, 24);
        m_edits.append(edit);
    }
    if (!m_edits.isEmpty())
        m_view->setFocusProxy(m_edits.first());
}

NumberForm::~NumberForm() {
    delete m_view;
}

std::optional<QList<qint64>> NumberForm::values() const {
    QList<qint64> values;
    for (int i = 0; i < m_edits.size(); ++i) {
        const auto value = parseDialogInteger(m_edits[i]->text());
        if (!value || *value < m_fields[i].minimum || *value > m_fields[i].maximum)
            return std::nullopt;
        values.append(*value);
    }
    return values;
}
