#pragma once

#include <QString>
#include <QVariant>

// Property-list files through libplist: XML ones, and binary ones carried over
// from older installations. Values map to QVariant as the preferences store
// does (dictionary QVariantMap, array QVariantList, string QString, boolean
// bool, integer qint64, real double, data QByteArray, date QDateTime).
namespace PropertyList {

// An invalid QVariant when the file is missing or does not parse; error, when
// given, then says why.
QVariant readFile(const QString &path, QString *error = nullptr);
QVariant fromXml(const QByteArray &xml, QString *error = nullptr);

QByteArray toXml(const QVariant &value);
// Written through a temporary file and a rename, so a crash never leaves a torn file.
// Through a symbolic link, the file it points to is replaced.
bool writeFileAtomically(const QString &path, const QVariant &value, QString *error = nullptr);

// The file writeFileAtomically() replaces for path, beside which its
// temporary stands.
QString atomicWriteTarget(const QString &path);

} // namespace PropertyList
