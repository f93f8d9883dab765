#include "slideshow/SelectDisplayWindowController.h"

#include "ui_SelectDisplayWindowController.h"

#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"

#include <QStandardItemModel>

namespace {
const QString kSelf = QStringLiteral("SelectDisplayWindowController");
}

SelectDisplayWindowController::SelectDisplayWindowController(QWidget *parent,
                                                             NotificationCenter *center)
    : QDialog(parent), ui_(std::make_unique<Ui::SelectDisplayWindowController>()), center_(center)
{
    ui_->setupUi(this);
    connect(ui_->ibAcceptButton, &QPushButton::clicked, this,
            &SelectDisplayWindowController::ibAcceptButton);
    connect(ui_->ibCancelButton, &QPushButton::clicked, this,
            &SelectDisplayWindowController::ibCancelButton);
    connect(ui_->ibTestButton, &QPushButton::clicked, this,
            &SelectDisplayWindowController::ibTestButton);
    // Closing the sheet by Escape or the window manager is a cancel.
    connect(this, &QDialog::rejected, this, [this] {
        if (sheetOpen_) {
            didEndSheet(kSheetReturnAbort, context_);
        }
    });
    awakeFromNib();
}

SelectDisplayWindowController::~SelectDisplayWindowController()
{
    center()->removeObserver(this);
}

NotificationCenter *SelectDisplayWindowController::center() const
{
    return center_ ? center_ : NotificationCenter::defaultCenter();
}

void SelectDisplayWindowController::awakeFromNib()
{
    center()->addObserver(this, kUpdateWindow,
                          [this](const Notification &n) { handleUpdateWindowNotification(n); });
}

void SelectDisplayWindowController::handleUpdateWindowNotification(const Notification &)
{
    handleUpdateWindow();
}

void SelectDisplayWindowController::showDialogWithParam(const QVariantMap &param)
{
    if (!param.contains(kKeySourcePath)) {
        OvraLog(kLogChooserNoSourcePath.arg(kSelf, QStringLiteral("showDialogWithParam")));
        OvraBeep();
        return;
    }
    const QVariantMap info = param.value(kKeyInfo).toMap();
    ui_->ibTextField1->clear();
    ui_->ibTextField2->clear();
    ui_->ibTextField3->clear();
    ui_->ibTextField1->setText(info.value(kKeyCode).toString());
    ui_->ibTextField2->setText(info.value(kKeyName).toString());
    ui_->ibTextField3->setText(info.value(kKeyEmail).toString());
    if (param.contains(kKeyDisplayNamesArrayController)) {
        popupArrayController = param.value(kKeyDisplayNamesArrayController).toList();
        ui_->ibPopupButton->clear();
        for (const QVariant &entry : std::as_const(popupArrayController)) {
            ui_->ibPopupButton->addItem(entry.toMap().value(kKeyDisplayName).toString());
        }
        center()->postNotificationName(kUpdateWindow);
    }
    context_ = param;
    sheetOpen_ = true;
    auto *parentWindow = qobject_cast<QWidget *>(param.value(kKeyParentWindow).value<QObject *>());
    if (parentWindow && parentWindow != parentWidget()) {
        setParent(parentWindow, windowFlags() | Qt::Sheet);
    }
    setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    show();
}

void SelectDisplayWindowController::ibAcceptButton()
{
    didEndSheet(kSheetReturnContinue, context_);
}

void SelectDisplayWindowController::ibCancelButton()
{
    didEndSheet(kSheetReturnAbort, context_);
}

void SelectDisplayWindowController::ibTestButton()
{
    center()->postNotificationName(kTestNotification);
    handleUpdateWindow();
}

void SelectDisplayWindowController::handleUpdateWindow()
{
    QComboBox *popup = ui_->ibPopupButton;
    if (popup->count() < 2) {
        return;
    }
    // The main screen belongs to the operator while other screens exist.
    if (auto *model = qobject_cast<QStandardItemModel *>(popup->model())) {
        if (QStandardItem *first = model->item(0)) {
            first->setEnabled(false);
        }
    }
    popup->setCurrentIndex(1);
}

void SelectDisplayWindowController::didEndSheet(int returnCode, const QVariantMap &contextInfo)
{
    sheetOpen_ = false;
    hide();
    OvraLog(kLogChooserEnded.arg(kSelf, QStringLiteral("didEndSheet")).arg(returnCode));
    if (returnCode == kSheetReturnContinue) {
        const int index = ui_->ibPopupButton->currentIndex();
        if (contextInfo.contains(kKeySourcePath)) {
            const QString path = contextInfo.value(kKeySourcePath).toString();
            center()->postNotificationName(kSlideShowParamChanged, QVariant(),
                                           {{kKeyScreenIndex, index}, {kKeySourcePath, path}});
        } else {
            OvraLog(kLogChooserNoSourcePath.arg(kSelf, QStringLiteral("didEndSheet")));
        }
    }
    context_.clear();
}
