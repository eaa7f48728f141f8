#include "TestProgram.h"
#include "app/HauptForm.h"
#include "foundation/FrameWidgets.h"
#include "foundation/Global.h"
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QtTest>

// The send logs of the SMS page and of the contacts page show their fixed texts whole at the
// design font, and the contact's log its Status column without scrolling.
class TestLogSpalten : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void textsShowWhole_data();
    void textsShowWhole();
    void contactLogStatusInView();
};

void TestLogSpalten::initTestCase()
{
    // The font the program sets at its start.
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPixelSize(11);
    QApplication::setFont(designFont);
}

void TestLogSpalten::textsShowWhole_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("page");   // 1 Kontakte, 2 SMS
    QTest::addColumn<QList<int>>("columns");   // date, number, status
    QTest::newRow("SMS page") << "Grid_VersendeteSms" << 2 << QList<int>{0, 1, 3};
    QTest::newRow("contact's log") << "Grid_Kontakte_Versandprotokoll" << 1 << QList<int>{0, 2, 3};
}

void TestLogSpalten::textsShowWhole()
{
    QFETCH(QString, grid);
    QFETCH(int, page);
    QFETCH(QList<int>, columns);
    TestProgram p([&](TIniFileDaten& d) { d.StartOrdner = page; });
    p.Start();
    auto* view = FindChild<QTableView>(p.Frame(), grid);
    QVERIFY(view->isVisible());
    const QFontMetrics fm = view->fontMetrics();
    // A styled cell keeps at least 3 pixels on each side of its text.
    auto fits = [&](int column, const QString& text, int extra = 0) {
        return view->columnWidth(column) >= fm.horizontalAdvance(text) + 6 + extra;
    };
    QVERIFY(fits(columns[0], "28.12.2026 20:28:28", TIconTextDelegate::TextOffset(1)));
    QVERIFY(fits(columns[1], "004916098765432"));
    for (int status = 0; status <= 2; ++status)
        QVERIFY2(fits(columns[2], GetProtokollStatusText(status)), qPrintable(GetProtokollStatusText(status)));
    // The titles too.
    const QFontMetrics hm = view->horizontalHeader()->fontMetrics();
    const int margin = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view->horizontalHeader());
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        const QString title = view->model()->headerData(c, Qt::Horizontal).toString();
        QVERIFY2(view->columnWidth(c) >= hm.horizontalAdvance(title) + margin, qPrintable(title));
    }
}

void TestLogSpalten::contactLogStatusInView()
{
    TestProgram p([](TIniFileDaten& d) { d.StartOrdner = 1; });
    p.Start();
    auto* view = FindChild<QTableView>(p.Frame(), "Grid_Kontakte_Versandprotokoll");
    QVERIFY(view->isVisible());
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
    const int status = 3;
    QVERIFY2(view->columnViewportPosition(status) + view->columnWidth(status) <= view->viewport()->width(),
             qPrintable(QString("%1 + %2 > %3").arg(view->columnViewportPosition(status))
                            .arg(view->columnWidth(status)).arg(view->viewport()->width())));
    // Once the user has set a width, the columns keep theirs when the window changes.
    view->horizontalHeader()->resizeSection(1, 300);
    p.Frame()->resize(p.Frame()->width() + 200, p.Frame()->height());
    QCoreApplication::processEvents();
    QCOMPARE(view->columnWidth(1), 300);
}

QTEST_MAIN(TestLogSpalten)
#include "tst_logspalten.moc"
