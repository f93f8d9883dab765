#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class RoomPlayerState;

// A room on the session bus as a standard media player (MPRIS): the bus name
// "org.mpris.MediaPlayer2.ovra.room<n>" with the object "/org/mpris/MediaPlayer2"
// carrying the root and player interfaces. Each room has a bus connection of
// its own, since one connection holds one object per path. Commands arrive on
// the main thread and go to the room's controller.
class RoomMediaPlayer : public QObject
{
    Q_OBJECT
public:
    struct Commands
    {
        std::function<void()> play;
        std::function<void()> pause;
        std::function<void()> playPause;
        std::function<void()> stop;
        std::function<void()> next;
    };

    // Offers the room when the session bus lets it; otherwise isOffered() is
    // false and a log line says why (once per process without a bus).
    RoomMediaPlayer(const RoomPlayerState *state, Commands commands, QObject *parent = nullptr);
    ~RoomMediaPlayer() override;

    bool isOffered() const { return offered_; }
    const RoomPlayerState &state() const { return *state_; }
    void run(const QString &command, const std::function<void()> &action) const;
    const Commands &commands() const { return commands_; }

private:
    void sendPropertiesChanged(const QString &interface, const QVariantMap &changed) const;

    const RoomPlayerState *state_;
    Commands commands_;
    // The object on the bus, carrying the adaptors.
    std::unique_ptr<QObject> busObject_;
    QString connectionName_;
    QString serviceName_;
    bool offered_ = false;
};
