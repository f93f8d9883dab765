#pragma once

#include <QVariantMap>

class Preferences;

// Checks a folder reference stored as three keys, named by the descriptor
// ("prefFolderNameKey", "prefFolderAliasDataKey", "prefFolderNameIsValidKey").
// A stored path that names a folder as it stands ("~" is not expanded) is
// valid and nothing is written. Otherwise the alias record decides: found, the
// path key gets the item's current path, the alias key a refreshed record when
// the item moved, and the validity key true; not found, the validity key gets
// false and the stale path stays. store defaults to the standard store.
bool validateFolderPrefWithParam(const QVariantMap &descriptor, Preferences *store = nullptr);
