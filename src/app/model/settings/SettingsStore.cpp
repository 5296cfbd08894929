#include "SettingsStore.h"

#include "linux/base/XdgDirectories.h"

#include <QVariant>
#include <cmath>

namespace hollerbox {

namespace {

std::optional<double> finite(double value)
{
    return std::isfinite(value) ? std::optional<double>{value} : std::nullopt;
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(defaultFilePath()) {}

SettingsStore::SettingsStore(const QString& filePath) : m_settings(filePath, QSettings::IniFormat) {}

QString SettingsStore::defaultFilePath()
{
    return QString::fromStdString(XdgDirectories::configHome()) + QStringLiteral("/Hollerbox/Hollerbox.conf");
}

std::optional<double> SettingsStore::readDouble(QAnyStringView key) const
{
    const QVariant value = m_settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return finite(value.toDouble());
    case QMetaType::QString: {
        bool ok = false;
        const double number = value.toString().toDouble(&ok);
        return ok ? finite(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> SettingsStore::readBool(QAnyStringView key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1StringView{"true"}, Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (text.compare(QLatin1StringView{"false"}, Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> SettingsStore::readData(QAnyStringView key) const
{
    const QVariant value = m_settings.value(key);
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray();
    }
    return std::nullopt;
}

void SettingsStore::writeDouble(QAnyStringView key, double value)
{
    m_settings.setValue(key, value);
}

void SettingsStore::writeBool(QAnyStringView key, bool value)
{
    m_settings.setValue(key, value);
}

void SettingsStore::writeData(QAnyStringView key, const QByteArray& value)
{
    m_settings.setValue(key, value);
}

void SettingsStore::sync()
{
    m_settings.sync();
}

} // namespace hollerbox
