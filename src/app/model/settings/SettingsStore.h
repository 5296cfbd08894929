#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <optional>

namespace hollerbox {

/// The application's settings file: typed reads that treat anything unusable as absent, and writes that are
/// flushed by `sync()` (or when the store goes). An unreadable file reads as empty and never throws; a file
/// that cannot be written keeps the values in memory only. Main thread only.
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
    QSettings m_settings;
};

} // namespace hollerbox
