#include "shell/LocalFolderPaths.h"

#include "shell/CommonHeader.h"

LocalFolderPaths LocalFolderPaths::forName(const QString &executableName)
{
    return {kLocalSlideShowFolderFormat.arg(executableName),
            kLocalSlideShowCurrentFormat.arg(executableName),
            kLocalSlideShowFailedFormat.arg(executableName),
            kLocalSlideShowProcessedFormat.arg(executableName),
            kExtraSlideShowFolderFormat.arg(executableName)};
}

LocalFolderPaths LocalFolderPaths::fallback()
{
    return forName(kFallbackAppFolderName);
}
