#pragma once

#include <QDialog>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

class NotificationCenter;
struct Notification;

namespace Ui {
class SelectDisplayWindowController;
}

// The sheet on which the operator picks the display ("room") that is to play
// a chosen code. Accepting tells that display to play the code's folder;
// cancelling tells nobody anything. Main thread only.
class SelectDisplayWindowController : public QDialog
{
    Q_OBJECT
public:
    // center: where the choice is posted; the default centre when none.
    explicit SelectDisplayWindowController(QWidget *parent = nullptr,
                                           NotificationCenter *center = nullptr);
    ~SelectDisplayWindowController() override;

    // param: "parentWindow" (QObject *, the window the sheet is attached to),
    // "sourcePath", "info" ("code", "name", "email") and optionally
    // "displayNamesArrayController" (list of {"displayName", "screenIndex",
    // "enableItem"}). Without "sourcePath": a beep and no sheet.
    void showDialogWithParam(const QVariantMap &param);

    void ibAcceptButton();
    void ibCancelButton();
    void ibTestButton();
    void handleUpdateWindow();
    void didEndSheet(int returnCode, const QVariantMap &contextInfo);

    QVariantList displayList() const { return popupArrayController; }

private:
    NotificationCenter *center() const;
    void awakeFromNib();
    void handleUpdateWindowNotification(const Notification &note);

    std::unique_ptr<Ui::SelectDisplayWindowController> ui_;
    NotificationCenter *center_;
    QVariantList popupArrayController;
    QVariantMap context_;
    bool sheetOpen_ = false;
};
