#pragma once

#include "console/CodeReassignment.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class MainWindowController;
class MyImageBrowserViewController;
class NotificationCenter;
class Preferences;
class QAbstractButton;
class QAbstractSlider;
class QComboBox;
class QLabel;
class QPushButton;
struct Notification;

namespace Ui {
class ReAssignCodeWindowController;
}

// How the sheet asks the operator. Empty members use application-modal
// message boxes.
struct ReassignAlerts
{
    // An alert with one button.
    std::function<void(QWidget *window, const QString &title, const QString &text,
                       const QString &button)>
        alert;
    // A question; true when the operator chose alternateButton, false for the
    // default button.
    std::function<bool(QWidget *window, const QString &title, const QString &text,
                       const QString &defaultButton, const QString &alternateButton)>
        confirm;
};

// The sheet in which the operator drags photos of one code (browser 1) into a
// second browser, picks the code they belong to, and moves them there. It ends
// with 1001 when photos were moved, with -1000 otherwise.
class ReAssignCodeWindowController : public QDialog
{
    Q_OBJECT
public:
    // store and center default to the process-wide ones.
    explicit ReAssignCodeWindowController(QWidget *parent = nullptr, Preferences *store = nullptr,
                                          NotificationCenter *center = nullptr,
                                          ReassignAlerts alerts = {});
    ~ReAssignCodeWindowController() override;

    // Keys "oldcode", "currentinfo", "arraycontroller" (the main window's
    // CodeListModel, any model whose rows give their entry under
    // CodeListModel::EntryRole, or a list of entries) and "imageslist".
    void setupWindow(const QVariantMap &param);

    // The codes offered: every entry whose "code" is missing or differs from
    // oldCode ignoring case, sorted by "name"; first a placeholder named
    // "< PLEASE Select New Party Name/Code >" made from oldEntry (or from the
    // old code's own entry in the list).
    static QList<QVariantMap> candidateList(const QList<QVariantMap> &entries,
                                            const QString &oldCode,
                                            const QVariantMap &oldEntry = {});

    // ---- actions
    void ibClickedOnPopup(int index);
    // The button whose alternate title is "continue" assigns; any other ends
    // the sheet.
    void doEndSheet(QAbstractButton *sender);
    void revertAll();
    void zoomSliderDidChange(QAbstractSlider *sender);

    // ---- the re-assignment
    QStringList getChangedImageList() const;
    // The record folder, made when missing; null when it cannot be.
    QString createCodeChangesPath() const;
    // Record folder / "YYYYMMddHHmmss_reassigned.xml" for now; null without a folder.
    QString getReassignmentXmlPath() const;
    CodeReassignment::Result doMoveImages();
    // Tests: another record folder than "~/.Ostrel/CodeChanges".
    void setRecordFolder(std::function<QString()> folder) { fRecordFolder = std::move(folder); }

    // ---- state
    QString fOldCode() const { return _fOldCode; }
    QVariantMap fOldInfo() const { return _fOldInfo; }
    QStringList fOriginalImagesList() const { return _fOriginalImagesList; }
    QList<QVariantMap> fArrayController() const { return _fArrayController; }
    QVariantMap fSelectedInfo() const { return _fSelectedInfo; }
    QString fValue1() const { return _fValue1; }
    QString fValue2() const { return _fValue2; }
    MyImageBrowserViewController *fImageBrowserViewController() const { return _browser1; }
    MyImageBrowserViewController *fImageBrowserViewController2() const { return _browser2; }
    QComboBox *ibPopupButton() const;
    QPushButton *ibAssignButton() const;
    QPushButton *ibRevertButton() const;
    QPushButton *ibCloseButton() const;
    QAbstractSlider *zoomSlider(int tag) const;

    // What the main window installs with setReassignSheetOpener(): opens the
    // sheet window-modal on the main window and hands its end to sheetDidEnd().
    static std::function<void(MainWindowController *, const QVariantMap &)>
    sheetOpener(Preferences *store = nullptr, NotificationCenter *center = nullptr,
                ReassignAlerts alerts = {});

public slots:
    void reject() override;

private:
    void awakeFromNib();
    void handleConcludeDragOperation(const Notification &notification);
    void updateAssignButton();
    void assign();
    void showAlert(const QString &title, const QString &text);
    bool confirm(const QString &text);
    static QList<QVariantMap> entriesOf(const QVariant &listController);

    std::unique_ptr<Ui::ReAssignCodeWindowController> ui_;
    Preferences *fStore = nullptr;
    NotificationCenter *fCenter = nullptr;
    ReassignAlerts fAlerts;
    std::function<QString()> fRecordFolder;

    QString _fOldCode;
    QVariantMap _fOldInfo;
    QStringList _fOriginalImagesList;
    QList<QVariantMap> _fArrayController;
    QVariantMap _fSelectedInfo;
    QString _fValue1;
    QString _fValue2;
    MyImageBrowserViewController *_browser1 = nullptr;
    MyImageBrowserViewController *_browser2 = nullptr;
};
