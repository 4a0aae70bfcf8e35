#pragma once
// ConnectionString: the "Key=Value;..." texts the program opens its sources
// with. Keys compare without regard to case; values are kept as given.

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace tw::ado {

class ConnectionString {
public:
    // Splits at ";" outside braces; a pair without "=" is a key with an empty value.
    static ConnectionString parse(const QString &text);

    const QString &text() const { return m_text; }
    std::optional<QString> value(const QString &key) const;
    QString valueOr(const QString &key, const QString &fallback = {}) const;
    bool has(const QString &key) const { return value(key).has_value(); }
    const std::vector<std::pair<QString, QString>> &pairs() const { return m_pairs; }

private:
    QString m_text;
    std::vector<std::pair<QString, QString>> m_pairs;
};

} // namespace tw::ado
