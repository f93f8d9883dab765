#include "platform/PreferenceBinding.h"

#include "platform/Preferences.h"
#include "platform/PreferencesValues.h"
#include "shell/CommonHeader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QWidget>

#include <algorithm>
#include <limits>

QString PreferenceBinding::keyPath(const QString &key)
{
    return kBindingKeyPathFormat.arg(key);
}

PreferenceBinding *PreferenceBinding::bind(QWidget *widget, const QString &key, Preferences *store)
{
    if (!widget || key.isEmpty())
        return nullptr;
    const QString plainKey =
        key.startsWith(kBindingKeyPathPrefix) ? key.mid(kBindingKeyPathPrefix.size()) : key;
    if (plainKey.isEmpty())
        return nullptr;
    if (!store)
        store = Preferences::standardUserDefaults();

    Kind kind;
    if (qobject_cast<QLineEdit *>(widget))
        kind = Kind::LineEdit;
    else if (qobject_cast<QCheckBox *>(widget))
        kind = Kind::CheckBox;
    else if (qobject_cast<QSpinBox *>(widget))
        kind = Kind::SpinBox;
    else if (qobject_cast<QDoubleSpinBox *>(widget))
        kind = Kind::DoubleSpinBox;
    else if (qobject_cast<QComboBox *>(widget))
        kind = Kind::ComboBox;
    else if (qobject_cast<QLabel *>(widget))
        kind = Kind::Label;
    else if (widget->metaObject()->userProperty().isValid())
        kind = Kind::UserProperty;
    else
        return nullptr;

    auto *binding = new PreferenceBinding(widget, kind, plainKey, store);
    binding->connectWidget();
    binding->showValue(store->objectForKey(plainKey));
    return binding;
}

PreferenceBinding::PreferenceBinding(QWidget *widget, Kind kind, const QString &key,
                                     Preferences *store)
    : QObject(widget), m_widget(widget), m_kind(kind), m_key(key), m_store(store)
{
    // The store may change on any thread; the widget is touched only on its own.
    connect(store, &Preferences::valueChanged, this,
            [this](const QString &changedKey, const QVariant &value) {
                if (changedKey == m_key)
                    showValue(value);
            });
}

void PreferenceBinding::connectWidget()
{
    const auto store = [this] {
        storeWidgetValue();
    };
    switch (m_kind) {
    case Kind::LineEdit:
        connect(static_cast<QLineEdit *>(m_widget), &QLineEdit::textChanged, this, store);
        break;
    case Kind::CheckBox:
        connect(static_cast<QCheckBox *>(m_widget), &QCheckBox::toggled, this, store);
        break;
    case Kind::SpinBox:
        connect(static_cast<QSpinBox *>(m_widget), &QSpinBox::valueChanged, this, store);
        break;
    case Kind::DoubleSpinBox:
        connect(static_cast<QDoubleSpinBox *>(m_widget), &QDoubleSpinBox::valueChanged, this,
                store);
        break;
    case Kind::ComboBox:
        connect(static_cast<QComboBox *>(m_widget), &QComboBox::currentTextChanged, this, store);
        break;
    case Kind::Label:
        break;
    case Kind::UserProperty: {
        const QMetaProperty property = m_widget->metaObject()->userProperty();
        const int slot = metaObject()->indexOfSlot("storeWidgetValue()");
        if (property.hasNotifySignal() && slot >= 0)
            connect(m_widget, property.notifySignal(), this, metaObject()->method(slot));
        break;
    }
    }
}

void PreferenceBinding::showValue(const QVariant &value)
{
    const QScopedValueRollback<bool> guard(m_showing, true);
    switch (m_kind) {
    case Kind::LineEdit: {
        auto *edit = static_cast<QLineEdit *>(m_widget);
        const QString text = PreferencesValues::toString(value);
        // Leave the cursor alone when the text is what the operator just typed.
        if (edit->text() != text)
            edit->setText(text);
        break;
    }
    case Kind::Label:
        static_cast<QLabel *>(m_widget)->setText(PreferencesValues::toString(value));
        break;
    case Kind::CheckBox:
        static_cast<QCheckBox *>(m_widget)->setChecked(PreferencesValues::toBool(value));
        break;
    case Kind::SpinBox: {
        constexpr qint64 lo = std::numeric_limits<int>::min();
        constexpr qint64 hi = std::numeric_limits<int>::max();
        const qint64 n = std::clamp(PreferencesValues::toInteger(value), lo, hi);
        static_cast<QSpinBox *>(m_widget)->setValue(int(n));
        break;
    }
    case Kind::DoubleSpinBox:
        static_cast<QDoubleSpinBox *>(m_widget)->setValue(PreferencesValues::toDouble(value));
        break;
    case Kind::ComboBox: {
        auto *combo = static_cast<QComboBox *>(m_widget);
        const QString text = PreferencesValues::toString(value);
        const int index = combo->findText(text);
        if (index >= 0)
            combo->setCurrentIndex(index);
        else if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(-1);
        break;
    }
    case Kind::UserProperty: {
        const QMetaProperty property = m_widget->metaObject()->userProperty();
        if (value.isValid())
            property.write(m_widget, value);
        else
            property.reset(m_widget);
        break;
    }
    }
}

void PreferenceBinding::storeWidgetValue()
{
    if (m_showing || !m_store)
        return;
    switch (m_kind) {
    case Kind::LineEdit:
        m_store->setObject(static_cast<QLineEdit *>(m_widget)->text(), m_key);
        break;
    case Kind::CheckBox:
        m_store->setBool(static_cast<QCheckBox *>(m_widget)->isChecked(), m_key);
        break;
    case Kind::SpinBox:
        m_store->setInteger(static_cast<QSpinBox *>(m_widget)->value(), m_key);
        break;
    case Kind::DoubleSpinBox:
        m_store->setDouble(static_cast<QDoubleSpinBox *>(m_widget)->value(), m_key);
        break;
    case Kind::ComboBox:
        m_store->setObject(static_cast<QComboBox *>(m_widget)->currentText(), m_key);
        break;
    case Kind::Label:
        break;
    case Kind::UserProperty:
        m_store->setObject(m_widget->metaObject()->userProperty().read(m_widget), m_key);
        break;
    }
}
