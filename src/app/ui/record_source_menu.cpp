#include "app/ui/record_source_menu.h"

#include <QActionGroup>
#include <QCursor>

namespace sonthra {

RecordSourceMenu::RecordSourceMenu(QWidget* parent) : QMenu(parent) {
    setObjectName("RecordSourceMenu");
}

void RecordSourceMenu::Offer(const std::vector<std::string>& names, int current,
                             const QWidget* anchor) {
    clear();
    delete m_group;
    m_group = new QActionGroup(this);
    m_current = current;
    for (std::size_t i = 0; i < names.size(); ++i) {
        // A name is shown as it is: an ampersand in it is no mnemonic.
        QString text = QString::fromStdString(names[i]);
        text.replace('&', "&&");
        QAction* item = addAction(text);
        item->setCheckable(true);
        item->setChecked(static_cast<int>(i) == current);
        m_group->addAction(item);
        const int index = static_cast<int>(i);
        connect(item, &QAction::triggered, this, [this, index] {
            if (index != m_current) emit SourceChosen(index);
        });
    }
    if (isEmpty()) return;
    const QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QCursor::pos();
    popup(at);
    if (QAction* checked = m_group->checkedAction()) setActiveAction(checked);
}

}  // namespace sonthra
