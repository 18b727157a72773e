#include "CodeListView.h"

#include "codetable/keycodes.h"

#include <QApplication>

namespace codetable {

void CodeListView::keyboardSearch(const QString& search) {
    if (search.isEmpty()) {
        typed_.clear();
        return;
    }
    if (!sinceLastKey_.isValid() ||
        sinceLastKey_.elapsed() > QApplication::keyboardInputInterval()) {
        typed_.clear();
    }
    sinceLastKey_.start();
    typed_ += search;
    // The rows are the usage codes in order: a code is its row.
    const int code = FindUsageCode(typed_.toStdString());
    if (code >= 0 && model() != nullptr && code < model()->rowCount(rootIndex())) {
        setCurrentIndex(model()->index(code, modelColumn(), rootIndex()));
    }
}

} // namespace codetable
