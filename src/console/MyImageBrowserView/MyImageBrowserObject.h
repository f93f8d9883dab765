#pragma once

#include <QString>

// One photo of an image browser. A plain value: the browser keeps them in a
// list in display order.
class MyImageBrowserObject
{
public:
    MyImageBrowserObject() = default;
    MyImageBrowserObject(const QString &path, int index, bool canBeSelected)
        : path(path), index(index), canBeSelected(canBeSelected)
    {}

    // Absolute path of the photo; also its identity within a browser.
    QString path;
    // Position (from 1) at which it was appended when added by path; 0 when it
    // came by a drop.
    int index = 0;
    bool canBeSelected = true;

    QString imageUID() const { return path; }
    QString imageRepresentation() const { return path; }
    // The file name without its extension.
    QString imageTitle() const;
    QString imageSubtitle() const { return QString::number(index); }
    bool isSelectable() const { return canBeSelected; }
};
