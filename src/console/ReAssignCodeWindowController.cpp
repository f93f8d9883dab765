#include "console/ReAssignCodeWindowController.h"

#include "console/CodeListModel.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "ui_ReAssignCodeWindowController.h"

#include <QAbstractItemModel>
#include <QBrush>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QStandardItemModel>

#include <algorithm>

namespace {
const QString kClassName = QStringLiteral("ReAssignCodeWindowController");
} // namespace

ReAssignCodeWindowController::ReAssignCodeWindowController(QWidget *parent, Preferences *store,
                                                           NotificationCenter *center,
                                                           ReassignAlerts alerts)
    : QDialog(parent), ui_(std::make_unique<Ui::ReAssignCodeWindowController>()),
      fStore(store ? store : Preferences::standardUserDefaults()),
      fCenter(center ? center : NotificationCenter::defaultCenter()), fAlerts(std::move(alerts)),
      _fValue1(kReassignCountAtCreation), _fValue2(kReassignCountAtCreation)
{
    ui_->setupUi(this);
    awakeFromNib();
}

ReAssignCodeWindowController::~ReAssignCodeWindowController()
{
    fCenter->removeObserver(this);
}

QComboBox *ReAssignCodeWindowController::ibPopupButton() const
{
    return ui_->ibPopupButton;
}

QPushButton *ReAssignCodeWindowController::ibAssignButton() const
{
    return ui_->ibAssignButton;
}

QPushButton *ReAssignCodeWindowController::ibRevertButton() const
{
    return ui_->ibRevertButton;
}

QPushButton *ReAssignCodeWindowController::ibCloseButton() const
{
    return ui_->ibCloseButton;
}

QAbstractSlider *ReAssignCodeWindowController::zoomSlider(int tag) const
{
    return tag == 1 ? ui_->ibZoomSlider1 : tag == 2 ? ui_->ibZoomSlider2 : nullptr;
}

void ReAssignCodeWindowController::awakeFromNib()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }
    auto makeBrowser = [this](QWidget *holder, QAbstractSlider *slider) {
        auto *browser = new MyImageBrowserViewController(holder, fStore, fCenter);
        holder->layout()->addWidget(browser->view());
        browser->row = 0;
        browser->col = 0;
        browser->fAllowsReordering = true;
        slider->setValue(slider->minimum() +
                         int(kReassignInitialZoom * (slider->maximum() - slider->minimum())));
        browser->zoomSliderDidChange(slider);
        return browser;
    };
    // Both accept drops, so photos can be dragged either way.
    _browser1 = makeBrowser(ui_->fBrowserViewHolder, ui_->ibZoomSlider1);
    _browser2 = makeBrowser(ui_->fBrowserViewHolder2, ui_->ibZoomSlider2);
    _browser2->fAllowDrop = true;

    fCenter->addObserver(this, kConcludeDragOperation, [this](const Notification &notification) {
        handleConcludeDragOperation(notification);
    });

    connect(ui_->ibPopupButton, &QComboBox::activated, this,
            &ReAssignCodeWindowController::ibClickedOnPopup);
    connect(ui_->ibRevertButton, &QPushButton::clicked, this,
            &ReAssignCodeWindowController::revertAll);
    connect(ui_->ibAssignButton, &QPushButton::clicked, this,
            [this] { doEndSheet(ui_->ibAssignButton); });
    connect(ui_->ibCloseButton, &QPushButton::clicked, this,
            [this] { doEndSheet(ui_->ibCloseButton); });
    for (QAbstractSlider *slider : {zoomSlider(1), zoomSlider(2)}) {
        connect(slider, &QAbstractSlider::valueChanged, this,
                [this, slider] { zoomSliderDidChange(slider); });
    }
    ui_->ibAssignButton->setEnabled(false);
}

QList<QVariantMap> ReAssignCodeWindowController::entriesOf(const QVariant &listController)
{
    QList<QVariantMap> entries;
    if (auto *object = listController.value<QObject *>()) {
        if (const auto *list = qobject_cast<const CodeListModel *>(object)) {
            return list->content();
        }
        if (const auto *model = qobject_cast<const QAbstractItemModel *>(object)) {
            for (int row = 0; row < model->rowCount(); ++row) {
                entries << model->index(row, 0).data(CodeListModel::EntryRole).toMap();
            }
        }
        return entries;
    }
    const QVariantList list = listController.toList();
    for (const QVariant &entry : list) {
        entries << entry.toMap();
    }
    return entries;
}

QList<QVariantMap> ReAssignCodeWindowController::candidateList(const QList<QVariantMap> &entries,
                                                               const QString &oldCode,
                                                               const QVariantMap &oldEntry)
{
    QList<QVariantMap> candidates;
    std::optional<QVariantMap> placeholder;
    for (const QVariantMap &entry : entries) {
        const QVariant code = entry.value(kKeyCode);
        if (code.isValid() && code.toString().compare(oldCode, Qt::CaseInsensitive) == 0) {
            placeholder = entry;
        } else {
            candidates << entry;
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const QVariantMap &left, const QVariantMap &right) {
                         return left.value(kKeyName).toString() < right.value(kKeyName).toString();
                     });
    // Without its own entry the old code still gets the placeholder: the
    // assign button never accepts index 0, so it must not hold a real code.
    if (!placeholder) {
        placeholder = oldEntry.isEmpty() ? QVariantMap{{kKeyCode, oldCode}} : oldEntry;
    }
    placeholder->insert(kKeyName, kReassignPlaceholderName);
    candidates.prepend(*placeholder);
    return candidates;
}

void ReAssignCodeWindowController::setupWindow(const QVariantMap &param)
{
    _fOldCode = param.value(kReassignParamOldCode).toString();
    _fOldInfo = param.value(kReassignParamCurrentInfo).toMap();
    _fArrayController =
        candidateList(entriesOf(param.value(kReassignParamArrayController)), _fOldCode, _fOldInfo);
    _fSelectedInfo = _fArrayController.value(0);
    _fOriginalImagesList = param.value(kReassignParamImagesList).toStringList();

    QComboBox *popup = ui_->ibPopupButton;
    popup->clear();
    for (const QVariantMap &entry : std::as_const(_fArrayController)) {
        popup->addItem(entry.value(kKeyCode).toString());
    }
    if (auto *items = qobject_cast<QStandardItemModel *>(popup->model())) {
        for (int i = 0; i < items->rowCount(); ++i) {
            if (popup->itemText(i).compare(_fOldCode, Qt::CaseInsensitive) == 0) {
                items->item(i)->setEnabled(false);
            }
        }
    }
    popup->setItemData(0, QBrush(Qt::red), Qt::ForegroundRole);
    popup->setCurrentIndex(0);
    ui_->ibOldCodeLabel->setText(_fOldCode);
    ui_->ibSelectedNameLabel->setText(_fSelectedInfo.value(kKeyName).toString());

    _browser1->addImages(_fOriginalImagesList);
    _browser2->removeImages();
    updateAssignButton();
}

void ReAssignCodeWindowController::handleConcludeDragOperation(const Notification &notification)
{
    const QObject *grid = notification.userInfo.value(kKeyImageBrowser).value<QObject *>();
    if (grid && grid == _browser1->imageBrowser()) {
        _fValue1 = kReassignCountFormat.arg(_browser1->images().size());
        ui_->ibValue1Label->setText(_fValue1);
    } else if (grid && grid == _browser2->imageBrowser()) {
        _fValue2 = kReassignCountFormat.arg(_browser2->images().size());
        ui_->ibValue2Label->setText(_fValue2);
    }
    updateAssignButton();
}

void ReAssignCodeWindowController::updateAssignButton()
{
    ui_->ibAssignButton->setEnabled(ui_->ibPopupButton->currentIndex() >= 1 &&
                                    !_browser2->images().isEmpty());
}

void ReAssignCodeWindowController::ibClickedOnPopup(int index)
{
    if (index < 0 || index >= _fArrayController.size()) {
        return;
    }
    if (ui_->ibPopupButton->currentIndex() != index) {
        ui_->ibPopupButton->setCurrentIndex(index);
    }
    _fSelectedInfo = _fArrayController.at(index);
    ui_->ibSelectedNameLabel->setText(_fSelectedInfo.value(kKeyName).toString());
    updateAssignButton();
}

void ReAssignCodeWindowController::revertAll()
{
    auto &stay = _browser1->images();
    for (const auto &item : std::as_const(_browser2->images())) {
        const bool present = std::any_of(stay.cbegin(), stay.cend(), [&item](const auto &other) {
            return other.path.compare(item.path, Qt::CaseInsensitive) == 0;
        });
        if (!present) {
            stay.append(item);
        }
    }
    _browser2->images().clear();
    _browser1->updateDatasource();
    _browser2->updateDatasource();
}

void ReAssignCodeWindowController::zoomSliderDidChange(QAbstractSlider *sender)
{
    if (!sender) {
        return;
    }
    const int tag = sender->property(kTagProperty).toInt();
    if (tag == 1) {
        _browser1->zoomSliderDidChange(sender);
    } else if (tag == 2) {
        _browser2->zoomSliderDidChange(sender);
    }
}

QStringList ReAssignCodeWindowController::getChangedImageList() const
{
    if (!_browser2) {
        return _fOriginalImagesList;
    }
    QStringList paths;
    for (const auto &item : _browser2->images()) {
        paths << item.path;
    }
    return paths;
}
