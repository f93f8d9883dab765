#include "shell/PreferenceKeys.h"

#include "shell/CommonHeader.h"

namespace PreferenceKeys {

QString perDisplayKey(const QString &baseKey, int displayNumber)
{
    return baseKey + QString::number(displayNumber);
}

QString displayNameKey(int displayNumber)
{
    return kPrefNameOfDisplayFormat.arg(displayNumber);
}

QString displayStatusKey(int displayNumber)
{
    return kPrefDisplayStatusFormat.arg(displayNumber);
}

QVariantMap roleTableForDisplay(int n)
{
    const QString moviePath = perDisplayKey(kPrefMoviePath, n);
    const QString slidePath = perDisplayKey(kPrefSlideShowPath, n);
    // The alias keys of a per-display triple carry the number after the suffix
    // ("prefMoviePathAliasData2"), not after the path key.
    return {
        {kRoleNSScreenIndex, perDisplayKey(kPrefNSScreenIndex, n)},
        {kRoleDoPlayMovie, perDisplayKey(kPrefDoPlayMovie, n)},
        {kRolePlayMovieFirst, perDisplayKey(kPrefPlayMovieFirst, n)},
        {kRoleMoviePath, moviePath},
        {kRoleMoviePathAliasData, perDisplayKey(kPrefMoviePathAliasData, n)},
        {kRoleMoviePathAliasDataIsValid, perDisplayKey(kPrefMoviePathAliasDataIsValid, n)},
        {kRoleDoSlideShow, perDisplayKey(kPrefDoSlideShow, n)},
        {kRoleSlideShowPath, slidePath},
        {kRoleSlideShowPathAliasData, perDisplayKey(kPrefSlideShowPathAliasData, n)},
        {kRoleSlideShowPathAliasDataIsValid, perDisplayKey(kPrefSlideShowPathAliasDataIsValid, n)},
        {kRoleSlideShowDelay, perDisplayKey(kPrefSlideShowDelay, n)},
        {kRoleSlideShowWhichPhotos, perDisplayKey(kPrefSlideShowWhichPhotos, n)},
        {kRoleSlideShowOrderSequence, perDisplayKey(kPrefSlideShowDisplaySequence, n)},
    };
}

QVariantMap tripleDescriptor(const QString &pathKey)
{
    return {
        {kPrefFolderNameKey, pathKey},
        {kPrefFolderAliasDataKey, pathKey + kAliasDataSuffix},
        {kPrefFolderNameIsValidKey, pathKey + kAliasDataIsValidSuffix},
    };
}

} // namespace PreferenceKeys
