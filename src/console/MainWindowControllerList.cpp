// The code list: the scan of the shown day folder, the photo counts, the
// sort order and the selected code's photos.

#include "console/MainWindowController.h"

#include "ui_MainWindowController.h"

#include "console/CodeListLoader.h"
#include "console/CodeListModel.h"
#include "console/CodeListSortProxy.h"
#include "console/MainWindowDelegate.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/PhotoStoreLayout.h"

#include <QFileInfo>
#include <QThread>

namespace {
const QString kSelf = QStringLiteral("MainWindowController");
}

bool MainWindowController::scanFolderAgain()
{
    bool idle = false;
    if (!fInsideScanning.compare_exchange_strong(idle, true)) {
        OvraLog(kLogAnotherScanInProcess.arg(kSelf, QStringLiteral("scanFolderAgain")));
        return false;
    }
    QList<CodeFolderScan::Candidate> candidates;
    const QString root = getPhotoStoreRoot(fStore);
    if (!root.isEmpty() && QFileInfo(root).isDir()) {
        const QString dayFolder = getShownDayFolder(fStore);
        if (!dayFolder.isEmpty()) {
            candidates = CodeFolderScan::listCodeFolders(dayFolder);
        }
    }
    // Counts of a list that is no longer shown are not worth finishing.
    fCountPool.clear();
    // The previous scan's loader stops counting for a list about to be replaced.
    fLoader = std::make_unique<CodeListLoader>(&fCountPool, fCodeList, fEnvironment.readCodeInfo);
    const QList<CodeFolderScan::Folder> folders = fLoader->readFolders(candidates, Clock::now());
    if (QThread::currentThread() == thread()) {
        applyScannedList(folders);
    } else {
        QMetaObject::invokeMethod(
            this, [this, folders] { applyScannedList(folders); }, Qt::QueuedConnection);
    }
    // Queued behind the list on the main thread, so no count comes before it.
    fLoader->releaseCounts();
    fInsideScanning = false;
    return true;
}

void MainWindowController::applyScannedList(const QList<CodeFolderScan::Folder> &folders)
{
    QList<CodeListModel::Row> rows;
    rows.reserve(folders.size());
    for (const CodeFolderScan::Folder &folder : folders) {
        CodeListModel::Row row{folder.id, folder.entry};
        if (row.entry.contains(kKeyCode)) {
            const QString code = row.entry.value(kKeyCode).toString();
            std::optional<QString> status;
            if (fDelegate) {
                status = fDelegate->getSlideshowWindowName(code);
            }
            row.entry.insert(kKeyCodeStatus, status && !status->isEmpty() ? *status : code);
        }
        rows << row;
    }
    clearSelectionWithoutClick();
    fCountTotal = int(rows.size());
    fCodeList->setContent(rows);
    if (!fMarkedCode.isEmpty()) {
        fCodeList->setCodeStatus(fMarkedCode, fMarkedStatus);
    }
    updateCountingLabel(fCodeList->uncountedCount());
    emit codeListShown(int(rows.size()));
}

void MainWindowController::clearSelectionWithoutClick()
{
    fClearingSelection = true;
    ui_->ibCustomerTableView->clearSelection();
    fClearingSelection = false;
}

void MainWindowController::updateCountingLabel(int uncounted)
{
    if (uncounted > 0) {
        ui_->ibCountingLabel->setText(
            tr("Counting photos… %1 of %2 codes to go").arg(uncounted).arg(fCountTotal));
    } else {
        ui_->ibCountingLabel->setText(tr("%n code(s)", nullptr, int(fCodeList->rowCount())));
    }
}

void MainWindowController::applySortOrder()
{
    fArrangedList->setSortDescriptor(
        CodeListSortProxy::createSortDescriptor(fStore->integerForKey(kPrefSortListTag)));
    fArrangedList->applySortDescriptor();
    const qint64 tag = fStore->integerForKey(kPrefSortListTag);
    const int index = ui_->ibSortPopup->findData(int(tag == 2 || tag == 3 ? tag : 1));
    QSignalBlocker blocker(ui_->ibSortPopup);
    ui_->ibSortPopup->setCurrentIndex(index);
}

void MainWindowController::doClickOnChangeSortMethod()
{
    applySortOrder();
    ui_->ibCustomerTableView->viewport()->update();
}

QVariantMap MainWindowController::arrangedEntryAt(int row) const
{
    return fArrangedList->index(row, 0).data(CodeListModel::EntryRole).toMap();
}

int MainWindowController::selectedRow() const
{
    const QItemSelectionModel *selection = ui_->ibCustomerTableView->selectionModel();
    const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void MainWindowController::doClickOnTableView()
{
    const int row = selectedRow();
    if (row < 0) {
        setCodeButtonsEnabled(false);
        _fLastSelectedCode = kPleaseSelectFromAbove;
        emptyBrowser();
        return;
    }
    const QVariantMap entry = arrangedEntryAt(row);
    _fLastSelectedCode = entry.value(kKeyCode).toString();
    const QString path = formPathForCodeNew(_fLastSelectedCode, fStore);
    if (path.isEmpty()) {
        // An entry without a usable code has no folder to show.
        setCodeButtonsEnabled(false);
        emptyBrowser();
        return;
    }
    const QVariantMap param{{kKeySearchPath, path},
                            {kKeySearchKey, QStringList{kSearchKeyAll}},
                            {kKeyDelegate, searchDelegateValue(this)}};
    OvraPhotoQueryController *query = _photoQuery.get();
    QMetaObject::invokeMethod(
        query, [query, param] { query->startSearchActionWithParam(param); }, Qt::QueuedConnection);
}

void MainWindowController::doneSearchOperation(OvraPhotoQueryController *query,
                                               const QVariantMap &param)
{
    Q_UNUSED(param);
    const QStringList found = query ? query->response() : QStringList();
    onMainThread([this, found] {
        setCodeButtonsEnabled(!found.isEmpty());
        if (_browser) {
            _browser->addImages(found);
        }
    });
}

void MainWindowController::setCodeButtonsEnabled(bool enabled)
{
    ui_->ibReassingnButton->setEnabled(enabled);
    ui_->ibPlayButton->setEnabled(enabled);
}

void MainWindowController::emptyBrowser()
{
    if (_browser) {
        _browser->removeImages();
    }
}
