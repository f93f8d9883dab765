#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

// One kiosk per user and home: a lock file says who runs, a local socket lets a
// second start ask the first to come to the front. A lock left by a crashed
// kiosk is recognised by its dead process id and taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &identifier, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True: this process is the only instance and now answers later starts.
    // False: another instance runs; it has been asked to come to the front.
    bool claim();

    QString serverName() const { return name_; }

signals:
    void activationRequested();

private:
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};
