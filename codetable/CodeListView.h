#pragma once

// The list of a code picker, which finds a row by what a user types: a key's name ("z", "f1")
// as well as its code ("0x1d", "1d"). Qt's own search only matches the start of a row, so
// "z" found nothing in "0x1D    z". Keys typed in quick succession make one word, as in Qt.

#include <QElapsedTimer>
#include <QListView>
#include <QString>

namespace codetable {

class CodeListView : public QListView {
public:
    using QListView::QListView;

    void keyboardSearch(const QString& search) override;

private:
    QString typed_;
    QElapsedTimer sinceLastKey_;
};

} // namespace codetable
