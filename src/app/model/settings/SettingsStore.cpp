#include "SettingsStore.h"

#include "linux/base/XdgDirectories.h"

#include <QFile>
#include <QStringDecoder>
#include <QVariant>
#include <cmath>

namespace hollerbox {

namespace {

constexpr int kMaximumCorruptCopies = 100;

std::optional<double> finite(double value)
{
    return std::isfinite(value) ? std::optional<double>{value} : std::nullopt;
}

/// Whether `content` is text that QSettings could have written: UTF-8 without control characters other
/// than tab, carriage return and line feed.
bool isText(const QByteArray& content)
{
    for (const char byte : content) {
        const auto code = static_cast<unsigned char>(byte);
        if (code == 0x7f || (code < 0x20 && code != '\t' && code != '\n' && code != '\r')) {
            return false;
        }
    }
    auto decoder = QStringDecoder{QStringDecoder::Utf8};
    const QString decoded = decoder.decode(content);
    return !decoder.hasError();
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(defaultFilePath()) {}

SettingsStore::SettingsStore(const QString& filePath)
    : m_readOnly(keepsFileAsItIs(filePath)), m_settings(filePath, QSettings::IniFormat)
{}

bool SettingsStore::keepsFileAsItIs(const QString& filePath)
{
    QFile file{filePath};
    if (!file.exists()) {
        return false;
    }
    if (!file.permissions().testFlag(QFileDevice::WriteOwner)) {
        return true;
    }
    if (!file.open(QIODevice::ReadOnly) || isText(file.readAll())) {
        return false;
    }
    file.close();
    for (int copy = 1; copy <= kMaximumCorruptCopies; ++copy) {
        const QString aside = filePath + QStringLiteral(".corrupt") +
                              (copy == 1 ? QString{} : QLatin1Char('-') + QString::number(copy));
        if (!QFile::exists(aside)) {
            return !file.rename(aside);
        }
    }
    return true;
}

QVariant SettingsStore::value(QAnyStringView key) const
{
    if (m_readOnly) {
        const auto unsaved = m_unsaved.constFind(key.toString());
        if (unsaved != m_unsaved.cend()) {
            return *unsaved;
        }
    }
    return m_settings.value(key);
}

void SettingsStore::setValue(QAnyStringView key, const QVariant& value)
{
    if (m_readOnly) {
        m_unsaved.insert(key.toString(), value);
    } else {
        m_settings.setValue(key, value);
    }
}

QString SettingsStore::defaultFilePath()
{
    return QString::fromStdString(XdgDirectories::configHome()) + QStringLiteral("/Hollerbox/Hollerbox.conf");
}

std::optional<double> SettingsStore::readDouble(QAnyStringView key) const
{
    const QVariant value = this->value(key);
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
    const QVariant value = this->value(key);
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
    const QVariant value = this->value(key);
    if (value.typeId() == QMetaType::QByteArray) {
        return value.toByteArray();
    }
    return std::nullopt;
}

void SettingsStore::writeDouble(QAnyStringView key, double value)
{
    setValue(key, QVariant{value});
}

void SettingsStore::writeBool(QAnyStringView key, bool value)
{
    setValue(key, QVariant{value});
}

void SettingsStore::writeData(QAnyStringView key, const QByteArray& value)
{
    setValue(key, QVariant{value});
}

void SettingsStore::sync()
{
    if (!m_readOnly) {
        m_settings.sync();
    }
}

} // namespace hollerbox
