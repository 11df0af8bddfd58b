#include "edit/ui/form_parts.h"

#include <QBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace sonthra {

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
    setObjectName("SpinButton1");
    m_up = new QToolButton(this);
    m_up->setObjectName("UpButton");
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setObjectName("DownButton");
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_up);
    column->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &SpinButton::upClick);
    connect(m_down, &QToolButton::clicked, this, &SpinButton::downClick);
}

}  // namespace sonthra
