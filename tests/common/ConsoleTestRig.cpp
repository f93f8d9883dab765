#include "ConsoleTestRig.h"

#include "TestSupport.h"
#include "console/CodeListSortProxy.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QDir>

using namespace Qt::StringLiterals;

ConsoleTestRig::ConsoleTestRig(const QDateTime &now)
    : store_(std::make_unique<Preferences>(QString()))
{
    Clock::setFixed(now);
    Preferences::setStandardUserDefaults(store_.get());
    QDir().mkpath(root());
    store_->setObject(root(), kPrefSlideShowPath);
    store_->setObject(kDefaultDailyFolderFormat, kPrefDailyFolderFormat);
    center_.addObserver(&observer_, QString(), [this](const Notification &n) { posted_ << n; });
}

ConsoleTestRig::~ConsoleTestRig()
{
    Preferences::setStandardUserDefaults(nullptr);
    Clock::reset();
}

QString ConsoleTestRig::root() const
{
    return dir_.filePath(u"root"_s);
}

QString ConsoleTestRig::dayFolder(const QDate &date) const
{
    return QDir(root()).filePath(date.toString(u"yyyy-MM-dd"_s));
}

QByteArray ConsoleTestRig::infoXml(const QString &code, const QString &name)
{
    return QStringLiteral("<?xml version=\"1.0\"?>\n<data>\n\t<code>%1</code>\n\t<name>%2</name>\n"
                          "\t<email>%1@example.org</email>\n</data>\n")
        .arg(code, name)
        .toUtf8();
}

QString ConsoleTestRig::makeCode(const QString &dayFolder, const QString &code, int photos,
                                 const QByteArray &info)
{
    const QString folder = QDir(dayFolder).filePath(code);
    QDir().mkpath(folder);
    if (!info.isNull()) {
        const QByteArray xml = info == "default" ? infoXml(code, u"Party "_s + code) : info;
        TestSupport::writeFile(QDir(folder).filePath(code + u".xml"_s), xml);
    }
    for (int i = 1; i <= photos; ++i) {
        TestSupport::writeFile(QDir(folder).filePath(u"p%1.jpg"_s.arg(i)), "jpg");
    }
    return folder;
}

QStringList ConsoleTestRig::listedCodes(const MainWindowController &window)
{
    QStringList codes;
    for (int row = 0; row < window.ibArrayController()->rowCount(); ++row) {
        codes << window.arrangedEntryAt(row).value(kKeyCode).toString();
    }
    return codes;
}

QStringList ConsoleTestRig::codes(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

MainWindowEnvironment ConsoleTestRig::environment()
{
    MainWindowEnvironment env;
    env.store = store_.get();
    env.center = &center_;
    env.screenCount = [this] {
        return screens;
    };
    env.mainScreenFrame = [] {
        return QRect(0, 0, 1920, 1080);
    };
    env.presentAlert = [this](QWidget *, const QString &title, const QString &text,
                              const QString &button) {
        alerts << Alert{title, text, button};
    };
    env.openPanel = [this](QWidget *, const QString &start, const QString &, const QString &,
                           std::function<void(int, const QString &)> done) {
        panelStartFolders << start;
        done(panelResult, panelFolder);
    };
    env.readCodeInfo = readCodeInfo;
    env.bundleInfo = QVariantMap{{kInfoCFBundleShortVersionString, u"1.2.3"_s},
                                 {kInfoDTXcode, u"GNU-12"_s},
                                 {kInfoDTSDKName, u"Qt-6.4.2"_s}};
    return env;
}

std::unique_ptr<MainWindowController> ConsoleTestRig::makeWindow(MainWindowDelegate *delegate)
{
    return std::make_unique<MainWindowController>(delegate, environment());
}

QList<Notification> ConsoleTestRig::posted(const QString &name) const
{
    QList<Notification> list;
    for (const Notification &n : posted_) {
        if (n.name == name) {
            list << n;
        }
    }
    return list;
}
