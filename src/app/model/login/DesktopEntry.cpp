#include "DesktopEntry.h"

#include <algorithm>
#include <utility>

namespace hollerbox {

namespace {

const QString mainGroupHeader = QStringLiteral("[Desktop Entry]");

std::optional<std::pair<QString, QString>> keyAndValue(const QString& line)
{
    const auto equals = line.indexOf(u'=');
    if (line.startsWith(u'#') || equals <= 0) {
        return std::nullopt;
    }
    return std::pair{line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

QString escapedString(const QString& text)
{
    QString escaped;
    for (const QChar character : text) {
        switch (character.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += character;
        }
    }
    return escaped;
}

} // namespace

DesktopEntry::DesktopEntry(const QString& text) : m_lines(text.split(u'\n'))
{
    if (!m_lines.isEmpty() && m_lines.constLast().isEmpty()) {
        m_lines.removeLast();
    }
}

std::optional<std::pair<qsizetype, qsizetype>> DesktopEntry::mainGroup() const
{
    auto header = qsizetype{0};
    while (header < m_lines.size() && m_lines[header].trimmed() != mainGroupHeader) {
        ++header;
    }
    if (header == m_lines.size()) {
        return std::nullopt;
    }
    auto end = header + 1;
    while (end < m_lines.size() && !m_lines[end].trimmed().startsWith(u'[')) {
        ++end;
    }
    return std::pair{header + 1, end};
}

std::optional<QString> DesktopEntry::value(const QString& key) const
{
    const auto group = mainGroup();
    if (!group) {
        return std::nullopt;
    }
    for (auto index = group->first; index < group->second; ++index) {
        if (const auto entry = keyAndValue(m_lines[index]); entry && entry->first == key) {
            return entry->second;
        }
    }
    return std::nullopt;
}

std::optional<bool> DesktopEntry::booleanValue(const QString& key) const
{
    const auto raw = value(key);
    if (raw == QStringLiteral("true") || raw == QStringLiteral("1")) {
        return true;
    }
    if (raw == QStringLiteral("false") || raw == QStringLiteral("0")) {
        return false;
    }
    return std::nullopt;
}

void DesktopEntry::setValue(const QString& key, const QString& rawValue)
{
    const QString line = key + u'=' + rawValue;
    auto group = mainGroup();
    if (!group) {
        m_lines.prepend(mainGroupHeader);
        group = std::pair{qsizetype{1}, qsizetype{1}};
    }
    auto insertAt = group->first;
    for (auto index = group->first; index < group->second; ++index) {
        const auto entry = keyAndValue(m_lines[index]);
        if (entry && entry->first == key) {
            m_lines[index] = line;
            return;
        }
        if (!m_lines[index].trimmed().isEmpty()) {
            insertAt = index + 1;
        }
    }
    m_lines.insert(insertAt, line);
}

QString DesktopEntry::text() const
{
    return m_lines.join(u'\n') + u'\n';
}

QString DesktopEntry::execValue(const QString& program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = program;
    argument.replace(u'%', QStringLiteral("%%"));
    const bool needsQuotes = std::any_of(argument.cbegin(), argument.cend(),
                                         [](QChar character) { return reserved.contains(character); });
    if (needsQuotes) {
        QString quoted = QStringLiteral("\"");
        for (const QChar character : std::as_const(argument)) {
            if (character == u'"' || character == u'`' || character == u'$' || character == u'\\') {
                quoted += u'\\';
            }
            quoted += character;
        }
        argument = quoted + u'"';
    }
    return escapedString(argument);
}

} // namespace hollerbox
