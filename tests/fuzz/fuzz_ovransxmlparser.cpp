// libFuzzer entry for the XML reader: any bytes must parse or fail cleanly,
// and a failed parse must never leave a result behind.

#include "support/OvraNSXmlParser.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    OvraNSXmlParser parser(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Odd-sized inputs also exercise the other root key.
    if (size % 2 == 1) {
        parser.setRootKey(QStringLiteral("data"));
    }
    const bool ok = parser.parse();
    if (ok == parser.parserError().has_value()) {
        __builtin_trap();
    }
    if (!ok && parser.mDictionary().isValid()) {
        __builtin_trap();
    }
    return 0;
}
