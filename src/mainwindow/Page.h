#pragma once
#include <QWidget>

struct TIniFileDaten;
class QToolBar;

// One page of the main window (Home, Kontakte, SMS). The frame switches between them:
// BeforeSwitch runs before the panels switch, Load after.
class TPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual QString TitleText() const = 0;
    // The page's own tool bar, shown in the frame's tool-bar panel while the page is shown.
    virtual QWidget* ToolBar() = 0;
    virtual void BeforeSwitch() {}
    virtual void Load() {}
    // Layout persistence (panel sizes, column widths, sort orders).
    virtual void RestoreLayout(const TIniFileDaten&) {}
    virtual void StoreLayout(TIniFileDaten&) const {}
};
