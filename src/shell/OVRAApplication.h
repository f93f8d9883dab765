#pragma once

#include <QApplication>

class QKeyEvent;
class QWidget;

// The kiosk's application object. It sees every key press first, so that a
// barcode scanner's keystrokes reach the code buffer whichever window has focus.
class OVRAApplication : public QApplication
{
    Q_OBJECT
public:
    OVRAApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Posts "AddStringToBuffer" for a key without Control, Alt or Meta.
    // Answers true when the key must not reach keyWindow (a display window).
    static bool sendEvent(const QKeyEvent &event, const QWidget *keyWindow);
};
