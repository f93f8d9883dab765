#pragma once

#include <QTableView>

// The console's code table. Typing does not jump between rows: the barcode
// scanner types into whichever window is in front, and its digits must not
// move the selection under the operator. Arrow and page keys still navigate.
class CodeTableView : public QTableView
{
public:
    using QTableView::QTableView;

    void keyboardSearch(const QString &) override {}
};
