#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class Preferences;
class QWidget;

// Ties one widget's value to one preference key, both ways: a change in the
// store shows at once in the widget, an edit in the widget is stored at once.
// Knows line edits (text), check boxes (checked), spin boxes (value), combo
// boxes (current text) and labels (text, shown only); any other widget through
// its user property. The binding is a child of the widget and dies with it.
class PreferenceBinding : public QObject
{
    Q_OBJECT
public:
    // key may be given as a binding key path ("values.prefNameOfDisplay1").
    // store defaults to the process-wide one. Answers nullptr for a widget
    // whose value cannot be bound.
    static PreferenceBinding *bind(QWidget *widget, const QString &key,
                                   Preferences *store = nullptr);
    // "values.<key>", the key path a binding stands for.
    static QString keyPath(const QString &key);

    QString key() const { return m_key; }
    Preferences *store() const { return m_store; }

private:
    enum class Kind { LineEdit, CheckBox, SpinBox, DoubleSpinBox, ComboBox, Label, UserProperty };

    PreferenceBinding(QWidget *widget, Kind kind, const QString &key, Preferences *store);
    void connectWidget();
    void showValue(const QVariant &value);

private slots:
    void storeWidgetValue();

private:
    QWidget *m_widget;
    Kind m_kind;
    QString m_key;
    QPointer<Preferences> m_store;
    // Set while the store's value is shown, so showing it is not stored back.
    bool m_showing = false;
};
