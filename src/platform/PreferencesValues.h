#pragma once

#include <QStringList>
#include <QVariant>

// The conversions of the preferences store's typed reads, and the one shape
// every stored value is kept in, so that a value read back from the file
// compares equal to the value that was set.
namespace PreferencesValues {

// Integers become qint64, floats double, string lists and hashes their
// QVariantList and QVariantMap forms, dates whole seconds (the file keeps no
// more). An invalid result means the value cannot be stored.
QVariant normalized(const QVariant &value);

// Missing or unconvertible values give: a null string, false, 0, 0.0, none.
QString toString(const QVariant &value);
bool toBool(const QVariant &value);
qint64 toInteger(const QVariant &value);
double toDouble(const QVariant &value);
// Empty unless every element is a string.
QStringList toStringList(const QVariant &value);

bool isNumber(const QVariant &value);

// Equal values of the same type, element by element in containers: an integer
// that became a real, or a YES that became 1, is a change.
bool strictlyEqual(const QVariant &a, const QVariant &b);

} // namespace PreferencesValues
