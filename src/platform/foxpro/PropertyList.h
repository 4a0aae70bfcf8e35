#pragma once
// PropertyList: the binary property memo of a container record (PROPERTY),
// a sequence of [u32 LE entry length][u16 LE id length][id][value] entries.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tw::foxpro {

namespace property {
constexpr uint8_t kPath = 1;
constexpr uint8_t kClass = 2;
constexpr uint8_t kComment = 7;
constexpr uint8_t kRelationChildTag = 13;
constexpr uint8_t kRelatedTable = 18; // a Relation's parent table, by its long name
constexpr uint8_t kRelatedTag = 19;
constexpr uint8_t kPrimaryKey = 20;
constexpr uint8_t kVersion = 24;
constexpr uint8_t kViewSql = 42;
constexpr uint8_t kClassTable = 0x01;
} // namespace property

struct Property {
    uint8_t id = 0;
    QByteArray value;
};

class PropertyList {
public:
    PropertyList() = default;
    // Reads the entries; a damaged tail (an entry running past the end) is
    // left out rather than guessed at.
    static PropertyList decode(const QByteArray &blob);
    QByteArray encode() const;

    void add(uint8_t id, const QByteArray &value) { m_entries.push_back({id, value}); }
    // A string entry: its bytes and a closing NUL.
    void addString(uint8_t id, const QByteArray &text) { add(id, text + '\0'); }
    std::optional<QByteArray> value(uint8_t id) const;
    // A string entry without its closing NUL.
    std::optional<QByteArray> string(uint8_t id) const;
    const std::vector<Property> &entries() const { return m_entries; }

private:
    std::vector<Property> m_entries;
};

} // namespace tw::foxpro
