#pragma once

#include "StatsEvent.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// Decodes event lines in bulk. The lines Tovi writes take a fast path; anything
// unusual (escapes, non-ASCII text, fractions) goes through the general JSON
// parser, so both paths accept and reject exactly the same lines. Strings that
// repeat from line to line (day and month keys, payload keys, the version) are
// shared between the events instead of being allocated once per line.
class StatsEventReader {
public:
    std::optional<StatsEvent> decode(QByteArrayView line);

private:
    QString shared(QByteArrayView ascii);
    QList<QString> m_pool;
};
