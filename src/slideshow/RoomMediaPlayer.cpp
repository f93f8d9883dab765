#include "slideshow/RoomMediaPlayer.h"

#include "platform/Log.h"
#include "shell/CommonHeader.h"
#include "slideshow/RoomPlayerState.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <mutex>

namespace {

const QString kSelf = QStringLiteral("RoomMediaPlayer");

// org.mpris.MediaPlayer2: who the player is; a room cannot be raised or quit.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool CanSetFullscreen READ no)
    Q_PROPERTY(bool Fullscreen READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    MprisRootAdaptor(QObject *object, RoomMediaPlayer *player)
        : QDBusAbstractAdaptor(object), player_(player)
    {}
    bool no() const { return false; }
    QString identity() const { return player_->state().identity(); }
    QString desktopEntry() const { return kMprisDesktopEntry; }
    QStringList none() const { return {}; }

public slots:
    void Raise() {}
    void Quit() {}

private:
    RoomMediaPlayer *player_;
};

// org.mpris.MediaPlayer2.Player: the slideshow as playback; no seeking, no
// going back, no volume.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(double Volume READ one)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    MprisPlayerAdaptor(QObject *object, RoomMediaPlayer *player)
        : QDBusAbstractAdaptor(object), player_(player)
    {}
    QString playbackStatus() const { return player_->state().statusText(); }
    QVariantMap metadata() const { return player_->state().metadata(); }
    double one() const { return 1.0; }
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Play() { player_->run(QStringLiteral("Play"), player_->commands().play); }
    void Pause() { player_->run(QStringLiteral("Pause"), player_->commands().pause); }
    void PlayPause() { player_->run(QStringLiteral("PlayPause"), player_->commands().playPause); }
    void Stop() { player_->run(QStringLiteral("Stop"), player_->commands().stop); }
    void Next() { player_->run(QStringLiteral("Next"), player_->commands().next); }
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    void OpenUri(const QString &) {}

signals:
    void Seeked(qlonglong position);

private:
    RoomMediaPlayer *player_;
};

} // namespace

RoomMediaPlayer::RoomMediaPlayer(const RoomPlayerState *state, Commands commands, QObject *parent)
    : QObject(parent), state_(state), commands_(std::move(commands)),
      connectionName_(QStringLiteral("ovra-mpris-room%1").arg(state->displayNumber())),
      serviceName_(kMprisServiceFormat.arg(state->displayNumber()))
{
    const QString op = QStringLiteral("RoomMediaPlayer");
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    if (!bus.isConnected()) {
        static std::once_flag logged;
        std::call_once(logged, [] { OvraLog(kLogMprisNoSessionBus); });
        return;
    }
    busObject_ = std::make_unique<QObject>();
    new MprisRootAdaptor(busObject_.get(), this);
    new MprisPlayerAdaptor(busObject_.get(), this);
    // The object first: a client that sees the name appear finds it at once.
    if (!bus.registerObject(kMprisObjectPath, busObject_.get(), QDBusConnection::ExportAdaptors)) {
        OvraLog(kLogMprisNotOffered.arg(kSelf, op, serviceName_, bus.lastError().message()));
        return;
    }
    if (!bus.registerService(serviceName_)) {
        OvraLog(kLogMprisNotOffered.arg(kSelf, op, serviceName_, bus.lastError().message()));
        bus.unregisterObject(kMprisObjectPath);
        return;
    }
    offered_ = true;
    connect(state, &RoomPlayerState::propertiesChanged, this,
            &RoomMediaPlayer::sendPropertiesChanged);
    OvraLog(kLogMprisOffered.arg(kSelf, op, serviceName_));
}

RoomMediaPlayer::~RoomMediaPlayer()
{
    QDBusConnection bus(connectionName_);
    if (offered_) {
        bus.unregisterService(serviceName_);
        bus.unregisterObject(kMprisObjectPath);
    }
    // Gone while its connection still stands: the connection is torn down on
    // Qt's D-Bus thread, which would otherwise still reach for the object.
    busObject_.reset();
    QDBusConnection::disconnectFromBus(connectionName_);
}

void RoomMediaPlayer::run(const QString &command, const std::function<void()> &action) const
{
    OvraLog(kLogMprisCommand.arg(kSelf, serviceName_, command));
    if (action) {
        action();
    }
}

void RoomMediaPlayer::sendPropertiesChanged(const QString &interface,
                                            const QVariantMap &changed) const
{
    QDBusMessage signal = QDBusMessage::createSignal(kMprisObjectPath, kDBusPropertiesInterface,
                                                     kDBusPropertiesChanged);
    signal << interface << changed << QStringList();
    QDBusConnection(connectionName_).send(signal);
}

#include "RoomMediaPlayer.moc"
