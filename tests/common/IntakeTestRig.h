#pragma once

#include "intake/BarcodeEntryController.h"
#include "platform/DistributedNotificationCenter.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"

#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// A code intake wired to private parts: an in-memory store, its own local
// centre, no companion bus, a photo store root, a working folder, a desktop
// and a composite file inside one temporary folder, a settable screen count
// and an alert hook that records and leaves the alert open until dismissed.
class IntakeTestRig
{
public:
    struct Post
    {
        QVariantMap userInfo;
        QThread *thread = nullptr;
    };

    IntakeTestRig();
    ~IntakeTestRig();

    bool isValid() const { return dir.isValid(); }
    QString path(const QString &relative) const { return dir.filePath(relative); }

    // A bundle whose photo script has this body; empty: the real script.
    void useScript(const QByteArray &body);
    const Bundle &bundle() const { return *bundle_; }
    // The controller, made on first use with the rig's environment.
    BarcodeEntryController &controller();

    // Lets queued searches run, waits for the copy loops, then delivers the
    // display messages they sent.
    void settle();

    // A photo file last modified an hour ago (the real script skips fresh ones).
    bool makePhoto(const QString &relative, const QByteArray &bytes = QByteArray("jpeg"));
    QStringList workingFolderEntries() const;

    QTemporaryDir dir;
    Preferences store{QString()};
    NotificationCenter center;
    std::unique_ptr<DistributedNotificationCenter> distributed;
    int screens = 1;
    QList<Post> displayMessages;
    QList<QVariantMap> newCustomerIds;
    int alertsShown = 0;
    QStringList alertTexts;
    std::function<void()> closeAlert;

private:
    std::optional<Bundle> bundle_;
    QObject observer_;
    std::unique_ptr<BarcodeEntryController> controller_;
};
