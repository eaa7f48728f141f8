#include "foundation/ClickHandler.h"
#include <QMouseEvent>
#include <QWidget>

namespace {
class ClickFilter : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick) : QObject(parent), m_onClick(std::move(onClick)) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return false;
    }
private:
    std::function<void()> m_onClick;
};
}

void OnWidgetClick(QWidget* widget, std::function<void()> onClick)
{
    widget->installEventFilter(new ClickFilter(widget, std::move(onClick)));
}
