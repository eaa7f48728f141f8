#pragma once
#include <QDialog>

// A dialog whose long run happens inside a click: while it runs, Esc, the close box and
// reject() leave it open (QDialog's close box goes through done()), so a run is never left
// half way and no second one starts inside it.
class TLaufDialog : public QDialog {
public:
    using QDialog::QDialog;
    bool IsRunning() const { return m_running; }
    void done(int result) override
    {
        if (!m_running)
            QDialog::done(result);
    }

protected:
    bool m_running = false;
};
