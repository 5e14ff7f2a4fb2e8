#include "app/settings/password_scramble.h"

#include <QList>

#include <cmath>

namespace klv::app {

double ScrambleRandom::next() {
    m_state = 1664525u * m_state + 1013904223u; // wraps modulo 2^32
    return m_state / 4294967296.0;
}

QString scramblePassword(const QString& password) {
    // Characters, not UTF-16 units: a letter outside the basic plane counts once.
    QList<uint> codes = password.toUcs4();
    if (codes.size() > kPasswordLength)
        codes.resize(kPasswordLength);
    while (codes.size() < kPasswordLength)
        codes.append(u' ');
    ScrambleRandom random;
    QString scrambled;
    for (int i = 1; i <= kPasswordLength; ++i) {
        const auto d = static_cast<uint64_t>(std::llround(random.next() * i * (20 + 432)));
        const uint64_t c = codes[i - 1];
        scrambled.append(QChar(static_cast<char16_t>(u'A' + (d + c) % 26)));
    }
    return scrambled;
}

} // namespace klv::app
