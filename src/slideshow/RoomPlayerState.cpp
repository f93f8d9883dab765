#include "slideshow/RoomPlayerState.h"

#include "shell/CommonHeader.h"

#include <QDBusObjectPath>
#include <QUrl>

RoomPlayerState::RoomPlayerState(int displayNumber, QObject *parent)
    : QObject(parent), displayNumber_(displayNumber)
{}

QString RoomPlayerState::statusText() const
{
    switch (status_) {
    case Status::Playing:
        return kMprisPlaying;
    case Status::Paused:
        return kMprisPaused;
    case Status::Stopped:
        break;
    }
    return kMprisStopped;
}

QString RoomPlayerState::roomName() const
{
    return roomName_.isEmpty() ? kDisplayTitleFormat.arg(displayNumber_) : roomName_;
}

QString RoomPlayerState::identity() const
{
    return kMprisIdentityFormat.arg(roomName());
}

QVariantMap RoomPlayerState::metadata() const
{
    // Clients insist on a track id even with nothing on the screen.
    QVariantMap map{
        {kMprisTrackId,
         QVariant::fromValue(QDBusObjectPath(
             photo_.isEmpty() ? kMprisNoTrack
                              : kMprisTrackIdFormat.arg(displayNumber_).arg(photoCount_)))},
        {kXesamAlbum, roomName()}};
    if (!code_.isEmpty()) {
        map.insert(kXesamTitle, code_);
    }
    if (!photo_.isEmpty()) {
        const QString url = QUrl::fromLocalFile(photo_).toString();
        map.insert(kXesamUrl, url);
        map.insert(kMprisArtUrl, url);
    }
    return map;
}

void RoomPlayerState::setStatus(Status status)
{
    if (status == status_) {
        return;
    }
    status_ = status;
    emit propertiesChanged(kMprisPlayerInterface, {{kMprisPlaybackStatus, statusText()}});
}

void RoomPlayerState::setRoomName(const QString &name)
{
    if (name == roomName_) {
        return;
    }
    roomName_ = name;
    emit propertiesChanged(kMprisRootInterface, {{kMprisIdentity, identity()}});
    metadataChanged();
}

void RoomPlayerState::setCode(const QString &code)
{
    // The photo on the screen stays there until the next one comes.
    code_ = code;
    metadataChanged();
}

void RoomPlayerState::photoShown(const QString &path)
{
    photo_ = path;
    ++photoCount_;
    metadataChanged();
}

void RoomPlayerState::metadataChanged()
{
    emit propertiesChanged(kMprisPlayerInterface, {{kMprisMetadata, metadata()}});
}
