#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace hollerbox {

/// The application's settings file: typed reads that treat anything unusable as absent, and writes that are
/// flushed by `sync()` (or when the store goes). An unreadable file reads as empty and never throws; a file
/// that cannot be written keeps the values in memory only. A file that is no text (NUL bytes, other control
/// characters or invalid UTF-8) is moved aside to "<file>.corrupt" ("-2", "-3"… added when taken) before
/// anything is read, so the store starts empty and its first write cannot destroy it; when it cannot be
/// moved it is left alone and the store keeps its values in memory. A file without write permission for
/// its owner is never written, not even by a root user. Main thread only.
class SettingsStore
{
public:
    /// The store on `<config home>/Hollerbox/Hollerbox.conf`, the file of QSettings("Hollerbox",
    /// "Hollerbox").
    SettingsStore();
    /// The store on the INI file at `filePath`.
    explicit SettingsStore(const QString& filePath);

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    /// `<XDG config home>/Hollerbox/Hollerbox.conf`, resolved now.
    static QString defaultFilePath();

    QString filePath() const { return m_settings.fileName(); }

    /// The finite number stored under `key`; absent when missing, not a number, NaN or infinite.
    std::optional<double> readDouble(QAnyStringView key) const;
    /// The Boolean stored under `key` ("true" or "false" in any case); absent otherwise.
    std::optional<bool> readBool(QAnyStringView key) const;
    /// The data value stored under `key`; absent when missing or stored as anything but data.
    std::optional<QByteArray> readData(QAnyStringView key) const;

    void writeDouble(QAnyStringView key, double value);
    void writeBool(QAnyStringView key, bool value);
    void writeData(QAnyStringView key, const QByteArray& value);

    /// Writes pending changes to the file now; a failure leaves them in memory and is not reported.
    void sync();

private:
    /// Whether the file at `filePath` must be left as it is: moves an unreadable file aside first.
    static bool keepsFileAsItIs(const QString& filePath);
    QVariant value(QAnyStringView key) const;
    void setValue(QAnyStringView key, const QVariant& value);

    bool m_readOnly = false;
    QSettings m_settings;
    /// The values written while the file is read-only.
    QVariantMap m_unsaved;
};

} // namespace hollerbox
