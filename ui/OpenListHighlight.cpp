#include "OpenListHighlight.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>

namespace ui {

void OpenListHighlight::Install(QComboBox& comboBox) {
    new OpenListHighlight(comboBox);
}

OpenListHighlight::OpenListHighlight(QComboBox& comboBox) : QObject(comboBox.view()) {
    comboBox.view()->installEventFilter(this);
}

bool OpenListHighlight::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<QAbstractItemView*>(watched);
    // Shown with its popup, before the popup takes the focus.
    if (event->type() != QEvent::Show || list == nullptr || list->model() == nullptr ||
        list->model()->rowCount(list->rootIndex()) == 0) {
        return false;
    }
    const QModelIndex current = list->currentIndex();
    if (current.isValid() && list->selectionModel()->isSelected(current)) {
        return false;
    }
    // The current row is the one shown; with none shown, the first, where the focus would land.
    const QModelIndex row =
        current.isValid() ? current : list->model()->index(0, 0, list->rootIndex());
    list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    return false;
}

} // namespace ui
