// The debug window and the spy watcher, driven as debug mode and the user drive them.

#include "state/ProgramState.h"
#include "support/UiTestMain.h"
#include "ui/diagnostics/DebugFrm.h"
#include "ui/diagnostics/Spy_frm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace dustrel;

namespace {

// The state debug mode leaves: its paths, and `count` drives from C: on.
void setUp(ProgramState& state, int count)
{
    state.WIN_PATH = "/home/ann";
    state.DIRECTORIES = {"/tmp", "/home/ann/.local/share/recently-used.d", "",
                         "/home/ann/.mozilla/firefox/x1.default/cache2",
                         "/home/ann/.cache/chromium/Default/Cache"};
    state.TMP_FILE = "/tmp/~DF3A7C.TMP";
    state.DTR_PATH = "/usr/share/dustrel";
    for (int k = 0; k < count; ++k) {
        DriveEntry entry;
        entry.letter = static_cast<char>('C' + k);
        entry.description =
            std::string(1, entry.letter) + ": - " + std::to_string(10 + k) + ".5 GB (100.2 MB Free)";
        state.choices.addDrive(entry);
    }
    state.DRIVES_NB = count;
}

QStringList fields(const DebugFrm& window)
{
    QStringList out;
    for (int i = 0; i < DebugFrm::kRows; ++i)
        out << window.Affiche(i)->text();
    return out;
}

} // namespace

class DiagnosticsTest : public QObject
{
    Q_OBJECT

private slots:
    void spyShowsTheTraceSoFarThenEachNewLineWhileItLives()
    {
        TraceLog trace;
        trace.Trace(0, "Sub Main()");
        {
            Spy_frm spy(trace);
            QVERIFY(!spy.isVisible());
            QVERIFY(spy.Text1()->isReadOnly());
            QCOMPARE(spy.Text1()->toPlainText(), QStringLiteral("--> Sub Main()\n"));
            spy.show();
            trace.Trace(1, "");
            trace.Trace(2, "Found Drive C: - 1.9 GB");
            QCOMPARE(spy.Text1()->toPlainText(),
                     QStringLiteral("--> Sub Main()\n     \n          --> Found Drive C: - 1.9 GB\n"));
            for (const QSize size : {QSize(700, 600), QSize(200, 120)}) {
                spy.resize(size);
                QCOMPARE(spy.Text1()->geometry(), QRect(QPoint(0, 0), size));
            }
        }
        // Would reach the destroyed window (and the address sanitizer) if it were still registered.
        trace.Trace(0, "after");
        Spy_frm again(trace);
        QVERIFY(again.Text1()->toPlainText().endsWith(QStringLiteral("1.9 GB\n--> after\n")));
    }

    void spyShowsEachLineEndAsOneBreak_data()
    {
        QTest::addColumn<QByteArray>("trace");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
        QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc") << QStringLiteral("a\nb\nc");
        QTest::newRow("UTF-8") << QByteArray("/z\xc3\xa9ro\r\n") << QStringLiteral("/z\u00e9ro\n");
    }

    void spyShowsEachLineEndAsOneBreak()
    {
        QFETCH(QByteArray, trace);
        QFETCH(QString, shown);
        QCOMPARE(Spy_frm::displayText(trace.toStdString()), shown);
    }

    void debugFieldsStayEmptyUntilTheTimerFiresOnce()
    {
        ProgramState state;
        setUp(state, 20);
        DebugFrm window(
            state, nullptr, [] {}, "/home/ann/.local/state/dustrel/DUSTREL.LOG", nullptr,
            [] { return std::string("dpkg (1523 packages)"); });
        window.show();
        QVERIFY(window.Timer1()->isActive());
        QCOMPARE(fields(window), QStringList(DebugFrm::kRows, QString()));
        QCOMPARE(window.AfficheList()->count(), 0);

        window.Timer1_Timer();
        QVERIFY(!window.Timer1()->isActive()); // once only: later changes are not shown
        QString letters;
        for (char letter = 'C'; letter < 'C' + 20; ++letter)
            letters += QChar::fromLatin1(letter) + QStringLiteral(":   ");
        const QStringList expected{"/home/ann",
                                   "/home/ann/.local/share/recently-used.d",
                                   "/tmp",
                                   "/tmp/~DF3A7C.TMP",
                                   "/usr/share/dustrel",
                                   "",
                                   "/home/ann/.mozilla/firefox/x1.default/cache2",
                                   "/home/ann/.cache/chromium/Default/Cache",
                                   "20",
                                   letters,
                                   "/home/ann/.local/state/dustrel/DUSTREL.LOG",
                                   "dpkg (1523 packages)"};
        QCOMPARE(fields(window), expected);
        QCOMPARE(window.AfficheList()->count(), 20);
        QCOMPARE(window.AfficheList()->item(19)->text(), QStringLiteral("V: - 29.5 GB (100.2 MB Free)"));
    }

    void debugDriveRowsFollowTheListedDrives_data()
    {
        QTest::addColumn<int>("listed");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("letters");
        QTest::newRow("none") << 0 << 0 << QString();
        QTest::newRow("C: D: F: as C: D: E:") << 3 << 3 << QStringLiteral("C:   D:   E:   ");
        QTest::newRow("count past the list") << 2 << 5 << QStringLiteral("C:   D:   ");
    }

    void debugDriveRowsFollowTheListedDrives()
    {
        QFETCH(int, listed);
        QFETCH(int, count);
        QFETCH(QString, letters);
        ProgramState state;
        setUp(state, listed);
        state.DRIVES_NB = count;
        DebugFrm window(state, nullptr, [] {});
        window.ShowValues();
        QCOMPARE(window.Affiche(8)->text(), QString::number(count));
        QCOMPARE(window.Affiche(9)->text(), letters);
        QCOMPARE(window.AfficheList()->count(), listed);
    }

    void debugClosingEndsTheProgramOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("endClosesAll");
        QTest::newRow("OK") << QStringLiteral("OK") << false;
        QTest::newRow("Enter") << QStringLiteral("Enter") << false;
        QTest::newRow("close box") << QStringLiteral("close box") << false;
        QTest::newRow("OK, the end closes every window") << QStringLiteral("OK") << true;
        QTest::newRow("close box, the end closes every window") << QStringLiteral("close box") << true;
    }

    void debugClosingEndsTheProgramOnce()
    {
        QFETCH(QString, how);
        QFETCH(bool, endClosesAll);
        ProgramState state;
        Spy_frm spy(state.trace);
        spy.show();
        int ended = 0;
        DebugFrm window(state, &spy, [&] {
            ++ended;
            if (endClosesAll)
                QApplication::closeAllWindows();
        });
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape); // there is no cancel button
        QVERIFY(window.isVisible());
        QCOMPARE(ended, 0);
        if (how == QStringLiteral("OK"))
            window.Command1()->click();
        else if (how == QStringLiteral("Enter"))
            QTest::keyClick(window.Affiche(0), Qt::Key_Return);
        else
            window.close();
        QCOMPARE(ended, 1);
        QVERIFY(!window.isVisible());
        // OK closes the spy watcher itself; the close box leaves that to the end of the program.
        QCOMPARE(spy.isVisible(), how == QStringLiteral("close box") && !endClosesAll);
    }

    void debugElementsAreNeitherCutNorOverlapping()
    {
        ProgramState state;
        DebugFrm window(state, nullptr, [] {});
        QVector<QRect> taken;
        for (int i = 0; i < DebugFrm::kRows; ++i) {
            QVERIFY2(window.Label1(i)->width() >= window.Label1(i)->sizeHint().width(),
                     qPrintable(window.Label1(i)->text()));
            QVERIFY(window.Affiche(i)->height() >= window.Affiche(i)->minimumSizeHint().height());
            taken << window.Label1(i)->geometry() << window.Affiche(i)->geometry();
        }
        taken << window.AfficheList()->geometry() << window.Command1()->geometry();
        for (qsizetype a = 0; a < taken.size(); ++a) {
            QVERIFY(window.rect().contains(taken[a]));
            for (qsizetype b = a + 1; b < taken.size(); ++b)
                QVERIFY2(!taken[a].intersects(taken[b]),
                         qPrintable(QStringLiteral("%1 and %2").arg(a).arg(b)));
        }
        QVERIFY(window.AfficheList()->height() >= 3 * window.AfficheList()->fontMetrics().height());
    }
};

DUSTREL_UI_TEST_MAIN(DiagnosticsTest)

#include "DiagnosticsTest.moc"
