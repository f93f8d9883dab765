#pragma once

#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "shell/AppDelegate.h"
#include "shell/OperatorDialogs.h"
#include "shell/PrefWindowController.h"
#include "shell/SearchCallback.h"
#include "slideshow/SelectDisplayWindowController.h"

#include <QPointer>
#include <QVariantMap>

#include <memory>

// What the delegate's operator commands keep between commands.
struct AppDelegate::OperatorState
{
    OperatorDialogs dialogs = OperatorDialogs::standard();
    // No parent widget: a sheet only names the window it belongs to.
    std::unique_ptr<PrefWindowController> ibPrefWindow;
    // A child of the settings window, which it is a sheet of.
    QPointer<SelectDisplayWindowController> selectDisplayWindowController;
    std::unique_ptr<SearchCallback> searchCallback;
    // The thumbnails of the clicked customer; a child of the settings window.
    QPointer<MyImageBrowserViewController> fImageBrowserViewController;
    // The password sheet's context, kept until the sheet ends.
    QVariantMap passwordContext;
    bool passwordSheetOpen = false;
};
