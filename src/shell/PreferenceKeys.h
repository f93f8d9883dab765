#pragma once

#include <QString>
#include <QVariantMap>

// Per-display key families and folder-reference triples.
namespace PreferenceKeys {

// Base key + decimal display number n (n = controller index + 1).
QString perDisplayKey(const QString &baseKey, int displayNumber);
QString displayNameKey(int displayNumber);
QString displayStatusKey(int displayNumber);

// Role name -> the preference key of display n.
QVariantMap roleTableForDisplay(int displayNumber);

// The three keys of the folder reference stored under pathKey, as a descriptor.
QVariantMap tripleDescriptor(const QString &pathKey);

} // namespace PreferenceKeys
