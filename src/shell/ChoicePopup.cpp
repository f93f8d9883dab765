#include "shell/ChoicePopup.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QScopedValueRollback>

ChoicePopup::ChoicePopup(QWidget *parent) : QWidget(parent), combo_(new QComboBox(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(combo_);
    setFocusProxy(combo_);
    setSizePolicy(combo_->sizePolicy());
    connect(combo_, &QComboBox::currentIndexChanged, this, [this] {
        if (!showing_) {
            emit valueChanged();
        }
    });
}

void ChoicePopup::addChoice(const QString &text, qint64 value)
{
    const QScopedValueRollback<bool> guard(showing_, true);
    combo_->addItem(text, value);
}

void ChoicePopup::setFallbackValue(qint64 value)
{
    fallback_ = value;
}

QVariant ChoicePopup::value() const
{
    const QVariant data = combo_->currentData();
    return data.isValid() ? QVariant(data.toLongLong()) : QVariant();
}

int ChoicePopup::indexOf(qint64 value) const
{
    for (int i = 0; i < combo_->count(); ++i) {
        if (combo_->itemData(i).toLongLong() == value) {
            return i;
        }
    }
    return -1;
}

void ChoicePopup::setValue(const QVariant &value)
{
    const QScopedValueRollback<bool> guard(showing_, true);
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    int index = ok ? indexOf(number) : -1;
    if (index < 0 && fallback_) {
        index = indexOf(*fallback_);
    }
    combo_->setCurrentIndex(index);
}

void ChoicePopup::clearValue()
{
    setValue(QVariant());
}
