#pragma once

#include <QString>

#include <optional>

class QObject;

// What the console window asks of the application delegate. Both questions are
// optional: a delegate that has no answer keeps the defaults.
class MainWindowDelegate
{
public:
    virtual ~MainWindowDelegate() = default;

    // "K (Room name)" when code K plays on a display, nothing otherwise.
    virtual std::optional<QString> getSlideshowWindowName(const QString &code)
    {
        Q_UNUSED(code);
        return std::nullopt;
    }
    virtual void openPrefs(QObject *sender) { Q_UNUSED(sender); }
};
