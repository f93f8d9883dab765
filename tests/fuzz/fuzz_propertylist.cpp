// libFuzzer entry for the preferences file loader: any file, XML or binary,
// must load as a dictionary or be reported as corrupt, and what loads must
// write out again as a property list that loads.

#include "platform/PreferencesFile.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> gFolder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    gFolder = std::make_unique<QTemporaryDir>();
    return gFolder->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = gFolder->filePath(QStringLiteral("prefs.plist"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            __builtin_trap();
        }
    }
    const PreferencesFile::Content content = PreferencesFile(path).read();
    switch (content.status) {
    case PreferencesFile::Status::Ok:
        if (!content.error.isEmpty() || !content.stamp.exists) {
            __builtin_trap();
        }
        break;
    case PreferencesFile::Status::Corrupt:
        if (content.error.isEmpty() || !content.values.isEmpty()) {
            __builtin_trap();
        }
        break;
    case PreferencesFile::Status::Missing:
    case PreferencesFile::Status::Unreadable:
        __builtin_trap();
    }
    if (content.status == PreferencesFile::Status::Ok) {
        // Values that cannot be written (dates out of range) are left out, so
        // the copy may hold less, but it always loads as a dictionary.
        QString error;
        const QVariant again = PropertyList::fromXml(PropertyList::toXml(content.values), &error);
        if (again.typeId() != QMetaType::QVariantMap) {
            __builtin_trap();
        }
    }
    return 0;
}
