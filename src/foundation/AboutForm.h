#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;

// The about box "Info".
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

    static constexpr const char* kSalesMail = "vertrieb@vornix2.example";
    static constexpr const char* kSupportMail = "support@vornix2.example";

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Label19Click();
    void Label22Click();

    QLabel* Label_Version;
    QLabel* Label19;
    QLabel* Label22;
    QPlainTextEdit* Memo_Bemerkungen;
};

