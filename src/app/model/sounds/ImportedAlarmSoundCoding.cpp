#include "ImportedAlarmSoundCoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace hollerbox::ImportedAlarmSoundCoding {

namespace {

const QString idKey = QStringLiteral("id");
const QString pathKey = QStringLiteral("path");
const QString displayNameKey = QStringLiteral("displayName");
const QString fileNameKey = QStringLiteral("fileName");

std::optional<QUuid> canonicalUuid(const QString& text)
{
    const QUuid id = QUuid::fromString(text);
    if (id.toString(QUuid::WithoutBraces).compare(text, Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    return id;
}

std::optional<ImportedAlarmSound> decodeEntry(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    for (const auto& key : {idKey, pathKey, displayNameKey, fileNameKey}) {
        if (!object.value(key).isString()) {
            return std::nullopt;
        }
    }
    const auto id = canonicalUuid(object.value(idKey).toString());
    if (!id) {
        return std::nullopt;
    }
    return ImportedAlarmSound{*id, object.value(pathKey).toString(), object.value(displayNameKey).toString(),
                              object.value(fileNameKey).toString()};
}

} // namespace

QByteArray encode(const QList<ImportedAlarmSound>& sounds)
{
    QJsonArray array;
    for (const auto& sound : sounds) {
        array.append(QJsonObject{{idKey, sound.id.toString(QUuid::WithoutBraces)},
                                 {pathKey, sound.path},
                                 {displayNameKey, sound.displayName},
                                 {fileNameKey, sound.fileName}});
    }
    return QJsonDocument{array}.toJson(QJsonDocument::Compact);
}

QList<ImportedAlarmSound> decode(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return {};
    }
    QList<ImportedAlarmSound> sounds;
    for (const auto& value : document.array()) {
        auto sound = decodeEntry(value);
        if (!sound) {
            return {};
        }
        sounds.append(std::move(*sound));
    }
    return sounds;
}

} // namespace hollerbox::ImportedAlarmSoundCoding
