#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace hollerbox {

/// The text of a desktop entry file, read and changed line by line in its [Desktop Entry] group so that
/// every other line is kept as it was.
class DesktopEntry
{
public:
    explicit DesktopEntry(const QString& text);

    /// The raw value of `key` in the [Desktop Entry] group, without surrounding white space.
    std::optional<QString> value(const QString& key) const;
    /// The Boolean value of `key` ("true" or "1", "false" or "0"); absent otherwise.
    std::optional<bool> booleanValue(const QString& key) const;
    /// Sets the raw value of `key` in the [Desktop Entry] group, adding the key (and the group) when missing.
    void setValue(const QString& key, const QString& rawValue);

    QString text() const;

    /// The raw Exec value that runs `program` without arguments: quoted when it holds a reserved character,
    /// with "%" doubled and the string escapes applied, as freedesktop.org desktop entries require.
    static QString execValue(const QString& program);

private:
    /// The index of the first line after the group header, and one past the group's last line.
    std::optional<std::pair<qsizetype, qsizetype>> mainGroup() const;

    QStringList m_lines;
};

} // namespace hollerbox
