#pragma once

#include "console/MainWindowController.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A console with everything it touches made private: a temporary photo store,
// an in-memory preferences store installed as the standard one, a fixed
// clock, its own notification centre, a chosen number of screens, and alerts
// and open panels that are recorded instead of shown.
class ConsoleTestRig
{
public:
    struct Alert
    {
        QString title;
        QString text;
        QString button;
    };

    // now: the fixed clock; the store root is <temp>/root.
    explicit ConsoleTestRig(const QDateTime &now);
    ~ConsoleTestRig();

    QString root() const;
    // root / yyyy-MM-dd of date.
    QString dayFolder(const QDate &date) const;
    // A code folder with code/code.xml (unless infoXml is null: no info file)
    // and `photos` small files p1.jpg ... pN.jpg.
    QString makeCode(const QString &dayFolder, const QString &code, int photos,
                     const QByteArray &infoXml = QByteArray("default"));
    static QByteArray infoXml(const QString &code, const QString &name);
    // The codes the window lists, in its order ("" for an entry without a code).
    static QStringList listedCodes(const MainWindowController &window);
    // "A,B,C" as a list.
    static QStringList codes(const char *list);

    MainWindowEnvironment environment();
    std::unique_ptr<MainWindowController> makeWindow(MainWindowDelegate *delegate = nullptr);

    Preferences &store() { return *store_; }
    NotificationCenter &center() { return center_; }
    // Notifications posted on the centre, except the console's own chatter.
    QList<Notification> posted(const QString &name) const;
    void clearPosted() { posted_.clear(); }

    int screens = 1;
    QList<Alert> alerts;
    // What the open panel answers: result (1 = confirmed) and folder.
    int panelResult = 1;
    QString panelFolder;
    QStringList panelStartFolders;
    CodeFolderScan::InfoReader readCodeInfo;

private:
    QTemporaryDir dir_;
    std::unique_ptr<Preferences> store_;
    NotificationCenter center_;
    QObject observer_;
    QList<Notification> posted_;
};
