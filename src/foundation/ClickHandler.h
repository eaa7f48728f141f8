#pragma once
#include <functional>

class QWidget;

// Calls `onClick` when the widget (a label shown as a link) is clicked with the left mouse button.
void OnWidgetClick(QWidget* widget, std::function<void()> onClick);
