#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantList>

#include <memory>

class CustomerTableModel;
class Preferences;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace Ui {
class PrefWindow;
}

// The settings window and its password sheet. Every setting control is bound
// to its preference key, so an edit is stored at once and counts the next time
// the key is read. The window only shows and stores settings: the commands
// behind its buttons, pop-up and table belong to the application delegate,
// which connects them.
class PrefWindowController : public QDialog
{
    Q_OBJECT
public:
    // displayCount: attached displays, one group of display settings each.
    // transitionMenu: the transition pop-up's items, an empty one a separator.
    // store: nullptr means the standard store.
    PrefWindowController(int displayCount, const QStringList &transitionMenu,
                         Preferences *store = nullptr, QWidget *parent = nullptr);
    ~PrefWindowController() override;

    int displayCount() const { return displayCount_; }

    QTabWidget *ibTabView() const;
    QComboBox *ibTransitionPopupButton() const;
    QTableView *ibCustomerTableView() const;
    CustomerTableModel *ibArrayController() const { return customers_; }
    QDialog *ibPasswordWindow() const { return ibPasswordWindow_; }
    QLineEdit *ibPasswordTextField() const { return ibPasswordTextField_; }
    QAbstractButton *passwordContinueButton() const { return continueButton_; }
    QAbstractButton *passwordCancelButton() const { return cancelButton_; }

    QAbstractButton *selectFolderButton() const;
    QAbstractButton *selectMovieButton() const;
    QAbstractButton *revealRootButton() const;
    QAbstractButton *revealTempButton() const;
    QAbstractButton *identifyAllButton() const;
    QAbstractButton *showMenuButton() const;
    QAbstractButton *closeButton() const;
    // One per display, tagged with its display number.
    QList<QAbstractButton *> identifyButtons() const { return identifyButtons_; }
    // Where the thumbnails of a clicked customer are shown.
    QWidget *browserContainer() const;

    // The control bound to a preference key; nullptr when none is.
    QWidget *controlForKey(const QString &key) const { return controls_.value(key); }

    // Refills the transition pop-up and selects the stored fixed style.
    void rebuildTransitionMenu(const QStringList &items);

    void setCustomerRows(const QVariantList &rows);
    // The row of the last click or double-click on a row; -1 when none.
    int clickedRow() const { return clickedRow_; }
    // The selected row; -1 when none.
    int selectedRow() const;

signals:
    void customerClicked();
    void customerDoubleClicked();

private:
    void bindControls();
    void fillChoices();
    void buildDisplayGroups();
    void buildPasswordWindow();
    void bind(QWidget *control, const QString &key);

    std::unique_ptr<Ui::PrefWindow> ui_;
    Preferences *store_;
    int displayCount_;
    CustomerTableModel *customers_;
    QDialog *ibPasswordWindow_ = nullptr;
    QLineEdit *ibPasswordTextField_ = nullptr;
    QAbstractButton *continueButton_ = nullptr;
    QAbstractButton *cancelButton_ = nullptr;
    QList<QAbstractButton *> identifyButtons_;
    QHash<QString, QWidget *> controls_;
    int clickedRow_ = -1;
};
