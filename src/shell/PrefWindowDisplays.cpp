// The settings of each attached display, one group per display.

#include "shell/PrefWindowController.h"

#include "ui_PrefWindow.h"

#include "shell/ChoicePopup.h"
#include "shell/CommonHeader.h"
#include "shell/PreferenceKeys.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kGroupsPerRow = 2;
constexpr double kMaxDelaySeconds = 3600.0;

ChoicePopup *whichPhotosPopup(QWidget *parent)
{
    auto *popup = new ChoicePopup(parent);
    popup->addChoice(kPrefWhichAll, kTagAllPhotos);
    popup->addChoice(kPrefWhichOdd, kTagOddPhotos);
    popup->addChoice(kPrefWhichEven, kTagEvenPhotos);
    // Anything else shows all photos.
    popup->setFallbackValue(kTagAllPhotos);
    return popup;
}

ChoicePopup *orderPopup(QWidget *parent)
{
    auto *popup = new ChoicePopup(parent);
    popup->addChoice(kPrefOrderSequential, kTagSequential);
    popup->addChoice(kPrefOrderRandom, kTagRandom);
    // Anything else plays in order.
    popup->setFallbackValue(kTagSequential);
    return popup;
}

} // namespace

void PrefWindowController::buildDisplayGroups()
{
    auto *grid = new QGridLayout(ui_->ibDisplaysContainer);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < displayCount_; ++i) {
        const int n = i + 1;
        auto *group = new QGroupBox(kPrefDisplayGroupTitle.arg(n), ui_->ibDisplaysContainer);
        auto *form = new QFormLayout(group);
        form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);

        auto *room = new QLineEdit(group);
        form->addRow(kPrefRoomNameLabel, room);
        bind(room, PreferenceKeys::displayNameKey(n));

        auto *slideshow = new QCheckBox(kPrefDoSlideShowText, group);
        form->addRow(QString(), slideshow);
        bind(slideshow, PreferenceKeys::perDisplayKey(kPrefDoSlideShow, n));

        auto *delay = new QDoubleSpinBox(group);
        delay->setRange(0.0, kMaxDelaySeconds);
        delay->setDecimals(1);
        delay->setSingleStep(0.5);
        delay->setSuffix(kPrefSecondsSuffix);
        form->addRow(kPrefDelayLabel, delay);
        bind(delay, PreferenceKeys::perDisplayKey(kPrefSlideShowDelay, n));

        auto *which = whichPhotosPopup(group);
        form->addRow(kPrefWhichPhotosLabel, which);
        bind(which, PreferenceKeys::perDisplayKey(kPrefSlideShowWhichPhotos, n));

        auto *order = orderPopup(group);
        form->addRow(kPrefOrderLabel, order);
        bind(order, PreferenceKeys::perDisplayKey(kPrefSlideShowDisplaySequence, n));

        auto *movieRow = new QHBoxLayout;
        auto *movie = new QCheckBox(kPrefDoPlayMovieText, group);
        auto *movieFirst = new QCheckBox(kPrefPlayMovieFirstText, group);
        movieRow->addWidget(movie);
        movieRow->addWidget(movieFirst);
        movieRow->addStretch();
        form->addRow(kPrefMovieLabel, movieRow);
        bind(movie, PreferenceKeys::perDisplayKey(kPrefDoPlayMovie, n));
        bind(movieFirst, PreferenceKeys::perDisplayKey(kPrefPlayMovieFirst, n));

        auto *identify = new QPushButton(kPrefIdentifyText, group);
        identify->setProperty(kTagProperty, n);
        identify->setAutoDefault(false);
        auto *identifyRow = new QHBoxLayout;
        identifyRow->addStretch();
        identifyRow->addWidget(identify);
        form->addRow(identifyRow);
        identifyButtons_ << identify;

        grid->addWidget(group, i / kGroupsPerRow, i % kGroupsPerRow);
    }
    for (int column = 0; column < kGroupsPerRow; ++column) {
        grid->setColumnStretch(column, 1);
    }
}
