#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

// What a room offers as a media player: its playback status, the code it
// plays and the photo on its screen. The room's controller feeds it and the
// bus adaptors read it, both on the main thread; it touches no widget.
class RoomPlayerState : public QObject
{
    Q_OBJECT
public:
    enum class Status { Stopped, Paused, Playing };

    explicit RoomPlayerState(int displayNumber, QObject *parent = nullptr);

    int displayNumber() const { return displayNumber_; }
    Status status() const { return status_; }
    QString statusText() const;
    // "Ovra VideoWall – " and the room name.
    QString identity() const;
    // The metadata map of the photo on the screen (a{sv} on the bus).
    QVariantMap metadata() const;

    void setStatus(Status status);
    // An empty name stands for "Display #n".
    void setRoomName(const QString &name);
    // The code the room was given to play.
    void setCode(const QString &code);
    void photoShown(const QString &path);

signals:
    // Properties of an interface (root or player) that changed, new values.
    void propertiesChanged(const QString &interface, const QVariantMap &changed);

private:
    QString roomName() const;
    void metadataChanged();

    int displayNumber_;
    Status status_ = Status::Stopped;
    QString roomName_;
    QString code_;
    QString photo_;
    quint64 photoCount_ = 0; // names each shown photo's track
};
