#pragma once

#include <QByteArrayView>

namespace PropertyList {

// libplist builds, converts and frees nested containers recursively, and
// copies an object each time a binary list refers to it: a file nested deeper
// than any real property list, or a binary one that refers to the same
// objects over and over, would overflow the stack or the memory. This looks
// at the raw bytes (XML or binary) first, without recursion; false: refuse.
bool withinParserLimits(QByteArrayView data);

} // namespace PropertyList
