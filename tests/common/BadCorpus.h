#pragma once

#include <QString>
#include <QStringList>

// The hostile-input corpus of scripts/make-bad-corpus, written into folder
// (only the kinds asked for: "images", "names", "xml", "prefs", "keys").
// False, with the script's output in *error, when it could not be made.
namespace BadCorpus {

bool generate(const QString &folder, const QStringList &kinds, QString *error);
// The file names of one kind's folder, sorted.
QStringList entries(const QString &folder, const QString &kind);

} // namespace BadCorpus
