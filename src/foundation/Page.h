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
    // Layout persistence (panel sizes, column widths, sort orders). Both run also for a page
    // that was never shown in this run: keep restored sizes until the page is laid out.
    virtual void RestoreLayout(const TIniFileDaten&) {}
    virtual void StoreLayout(TIniFileDaten&) const {}
    // Item index of the page's group list (-1 when it has none or nothing is selected).
    virtual int GroupIndex() const { return -1; }
    // After an import while this page is shown; previousGroupIndex is the Kontakte page's
    // group index from before the import.
    virtual void RefreshAfterImport(int /*previousGroupIndex*/) {}
};
