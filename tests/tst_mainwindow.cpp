// The real window on the offscreen platform: its controls, its pictures at the screen's resolution,
// the drill through its widgets as the screen shows it, and the window for a screen reader and for
// the keyboard alone. ctest runs it at the device pixel ratios 1 (with the system's fonts hidden,
// so that only the embedded font is Tavrilo Sans), 1.25 (with a second screen, at 1, to move
// the window to), 1.5 and 2.
#include "application.h"
#include "planegrid.h"
#include "widgettest.h"
#include "windowpictures.h"

#include <QAccessible>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTranslator>
#include <memory>

using namespace tavrilo;
using namespace tavrilo::testing;
using namespace Qt::StringLiterals;

namespace {

void show(MainWindow &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

QAccessibleInterface *accessible(const MainWindow &window, QStringView meaning)
{
    return QAccessible::queryAccessibleInterface(widget(window, meaning));
}

// What a screen reader knows each of window.json's kinds of control as.
const QHash<QString, QAccessible::Role> roles{{u"button"_s, QAccessible::Button},
                                              {u"answerBox"_s, QAccessible::EditableText},
                                              {u"plane"_s, QAccessible::Graphic},
                                              {u"label"_s, QAccessible::StaticText},
                                              {u"alert"_s, QAccessible::Notification}};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpApplication(); }

    void controlsShowWhatTheyShould_data()
    {
        QTest::addColumn<Control>("c");
        for (const Control &c : described().controls)
            QTest::newRow(qPrintable(c.meaning)) << c;
    }
    void controlsShowWhatTheyShould()
    {
        QFETCH(Control, c);
        MainWindow window;
        QWidget *widget = window.findChild<QWidget *>(c.objectName);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), c.rect);
        QVERIFY(widget->isVisibleTo(&window) && widget->isEnabled());
        QCOMPARE(widget->property("text").toString(), c.text);
        QCOMPARE(widget->property("wordWrap").toBool(), c.wordWrap);
        if (c.fontPixels) {
            const QFontInfo font(widget->font());
            QCOMPARE(font.family(), QStringLiteral("Tavrilo Sans"));
            QCOMPARE(font.pixelSize(), c.fontPixels);
            QVERIFY(font.bold());
            QCOMPARE(widget->palette().color(widget->foregroundRole()), c.ink);
        }
        if (const QVariant alignment = widget->property("alignment"); alignment.isValid())
            QCOMPARE(alignment.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, c.alignment);
        // The ground as painted, away from text and frame; below the grid picture on a plane.
        const QImage image = widget->grab().toImage();
        const QPoint probe = c.kind == u"plane" ? QPoint(4, 285)
                             : c.alignment == Qt::AlignLeft
                                 ? QPoint(c.rect.width() - 5, c.rect.height() / 2)
                                 : QPoint(4, c.rect.height() / 2);
        QCOMPARE(QColor(image.pixel(probe * image.devicePixelRatio())), c.ground);
        // What a screen reader knows it as (a plane saying what it shows).
        const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(face->role(), roles.value(c.kind, QAccessible::NoRole));
        QCOMPARE(face->text(QAccessible::Name), c.accessibleName);
        if (c.kind == u"plane") QVERIFY(face->text(QAccessible::Description).contains(u"точк"));
    }

    void qtsOwnTextsInRussian()
    {
        // What Qt shows or says of its own in the window is Russian: an answer box's context menu
        // with its shortcuts, the message box, a screen reader's names of the actions. The program
        // carries only part of Qt's translation: whatever Qt looked up here that the whole
        // translation has, the program's part has too.
        // Consulted before the program's own translator, which it leaves to answer.
        struct LookedUp : QTranslator {
            mutable QList<std::pair<QByteArray, QByteArray>> asked;
            QString translate(const char *context, const char *source, const char *,
                              int) const override
            {
                asked.emplaceBack(context, source);
                return {};
            }
            bool isEmpty() const override { return false; }
        } lookedUp;
        QCoreApplication::installTranslator(&lookedUp);
        MainWindow window;
        const std::unique_ptr<QMenu> menu(
            widget<QLineEdit>(window, u"xAnswer")->createStandardContextMenu());
        menu->adjustSize(); // lays out each entry with its shortcut's text
        QCOMPARE(menu->actions().constFirst()->text().section(u'\t', 0, 0), u"&Отменить действие");
        for (QStringView name : {u"start", u"xAnswer"})
            for (auto *actions = accessible(window, name)->actionInterface();
                 const QString &action : actions->actionNames())
                (void)actions->localizedActionName(action),
                    actions->localizedActionDescription(action);
        show(window);
        window.askToAcceptFirst();
        QVERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
        QApplication::activeModalWidget()->close();
        QTranslator whole, part;
        QVERIFY(whole.load(QStringLiteral(TAVRILO_QT_RUSSIAN)) &&
                part.load(QStringLiteral(":/translations/qtbase_ru.qm")));
        QVERIFY(lookedUp.asked.size() > 10);
        QStringList lacking;
        for (const auto &[context, source] : std::as_const(lookedUp.asked))
            if (part.translate(context, source).isEmpty() &&
                !whole.translate(context, source).isEmpty())
                lacking << QString::fromUtf8(context + '/' + source);
        QVERIFY2(lacking.isEmpty(), qPrintable(lacking.join(u", ")));
    }

    void picturesAtTheScreensResolution()
    {
        // On every screen it is moved to, the window shows its background and, in both planes,
        // the grid as drawn for that screen's ratio, pixel for pixel, white below the grid.
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Tavrilo"));
        QCOMPARE(window.objectName(), described().objectName);
        QCOMPARE(window.size(), described().size);
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QCOMPARE(window.windowIcon().availableSizes(),
                 (QList<QSize>{{48, 48}, {64, 64}, {128, 128}, {256, 256}}));
        show(window);
        for (QScreen *screen : QGuiApplication::screens()) {
            window.windowHandle()->setScreen(screen);
            const qreal ratio = screen->devicePixelRatio();
            QTRY_COMPARE(window.devicePixelRatioF(), ratio);
            const QImage background = backgroundPicture(ratio).toImage();
            QCOMPARE(background.deviceIndependentSize().toSize(), QSize(707, 488));
            const QRect motif(QPoint(0, 0), QSize(60, 340) * ratio);
            QCOMPARE(window.grab().toImage().copy(motif), background.copy(motif));
            QImage grid = pictures::planeGrid(ratio),
                   expected(QSize(285, 285) * ratio, grid.format());
            grid.setDevicePixelRatio(1);
            expected.fill(Qt::white);
            QPainter(&expected).drawImage(0, 0, grid);
            for (QStringView plane : {u"targetPlane", u"answerPlane"})
                QVERIFY2(shown(window, plane).convertToFormat(grid.format()) == expected,
                         qPrintable(plane.toString()));
        }
    }

    void drillThroughTheWidgets()
    {
        // Start, then answers at the corners, at the origin and at the point itself, each accepted
        // twice: each blue dot on its crossing with its verdict, and Another point clearing it for
        // a new red dot. A screen reader hears each new point with its count and each new verdict,
        // as notifications; a counter is named by its count and labelled by its caption, so that a
        // screen review reads the caption once.
        MainWindow window;
        show(window);
        QStringList heard, news;
        window.setAnnouncer([&](QWidget *widget) {
            const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
            QCOMPARE(face->role(), QAccessible::Notification);
            heard << face->text(QAccessible::Name);
        });
        click(window, u"start");
        QCOMPARE(dotOn(window, u"answerPlane", Qt::blue), noDot);
        const QList<QPoint> answers{{-7, 7}, {7, -7}, {0, 0}};
        for (int i = 1; i <= 4; ++i) {
            const QPoint task(window.quiz().state().targetX, window.quiz().state().targetY);
            const QPoint answer = answers.value(i - 1, task);
            news << u"Задано вопросов: %1"_s.arg(i) << (answer == task ? u"Верно"_s : u"Ошибка"_s);
            QCOMPARE(dotOn(window, u"targetPlane", Qt::red), task);
            type(window, u"xAnswer", QString::number(answer.x()));
            type(window, u"yAnswer", QString::number(answer.y()));
            click(window, u"accept");
            click(window, u"accept");
            QCOMPARE(dotOn(window, u"answerPlane", Qt::blue), answer);
            QCOMPARE(widget<QLabel>(window, u"verdict")->text(), news.last());
            click(window, u"nextPoint");
            QCOMPARE(dotOn(window, u"answerPlane", Qt::blue), noDot);
            QCOMPARE(widget<QLineEdit>(window, u"xAnswer")->text(), QString());
        }
        QCOMPARE(heard, news << u"Задано вопросов: 5"_s);
        QStringList review;
        for (QStringView counter : {u"questionCount", u"mistakeCount"}) {
            for (const auto &label : accessible(window, counter)->relations(QAccessible::Label))
                review << label.first->text(QAccessible::Name);
            review << accessible(window, counter)->text(QAccessible::Name);
        }
        QCOMPARE(review, (QStringList{control(u"questionCaption").text, u"5"_s,
                                      control(u"mistakeCaption").text,
                                      QString::number(window.quiz().state().mistakeCount)}));
    }

    void messageBoxAsksToAcceptFirst()
    {
        // A modal box with its texts, the information icon and OK alone, over the window. While it
        // is open, assistive technology presses Accept and Another point behind it (each a delayed
        // click): neither acts. Once OK has closed it, all is as it was, and the keyboard is the
        // window's again: Space presses the button that asked, which asks again.
        MainWindow window;
        show(window);
        click(window, u"start");
        type(window, u"xAnswer", "4");
        type(window, u"yAnswer", "4");
        const QuizState before = window.quiz().state();
        QSignalSpy accepts(widget<QPushButton>(window, u"accept"), &QPushButton::clicked);
        QSignalSpy anothers(widget<QPushButton>(window, u"nextPoint"), &QPushButton::clicked);
        click(window, u"nextPoint");
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon()) +
                     u'|' + QString::number(box->buttons().size()),
                 QStringLiteral("Tavrilo|Подтвердите принятие введённого ответа|%1|1")
                     .arg(QMessageBox::Information));
        QVERIFY(window.geometry().contains(box->geometry().center()));
        for (QStringView button : {u"accept", u"nextPoint"})
            accessible(window, button)
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(accepts.size() + anothers.size(), 3); // the click that asked, and the two
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QCOMPARE(window.quiz().state(), before);
        QCOMPARE(widget<QLineEdit>(window, u"xAnswer")->text(), QStringLiteral("4"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
    }

    void keyboardAlone()
    {
        // Tab goes round the buttons, the boxes and the planes, a plane showing its focus on its
        // frame alone; Enter, keypad Enter and Space press the focused button, Enter in a box
        // presses nothing.
        MainWindow window;
        show(window);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto key = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
        auto *plane = widget<PlaneBox>(window, u"targetPlane");
        const QImage unfocused = plane->grab().toImage();
        const QImage area = plane->grab(plane->contentsRect()).toImage();
        QStringList order{QApplication::focusWidget()->objectName()}, expected;
        for (const QString &meaning : described().tabOrder)
            expected << control(meaning).objectName;
        for (int i = 0; i < 8; ++i) {
            key(Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
            if (QApplication::focusWidget() != plane) continue;
            QVERIFY(plane->grab().toImage() != unfocused &&
                    plane->grab(plane->contentsRect()).toImage() == area);
        }
        QCOMPARE(order, expected << expected.first());
        key(Qt::Key_Return); // Start
        key(Qt::Key_Tab);
        key(Qt::Key_Enter); // Another point
        key(Qt::Key_Space); // Another point
        QCOMPARE(widget<QLabel>(window, u"questionCount")->text(), QStringLiteral("3"));
        // Into the boxes, an answer of any length: 40,002 characters, where QLineEdit would
        // stop at 32,767.
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab);
        widget<QLineEdit>(window, u"xAnswer")->setText(QString(40000, u'7'));
        key(Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), "12");
        QCOMPARE(widget<QLineEdit>(window, u"xAnswer")->text().size(), 40002);
        key(Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "1");
        key(Qt::Key_Return);
        QCOMPARE(window.quiz().state().acceptCount, 0);
    }

    void maximizingKeepsSizeAndPlace()
    {
        // As a title bar drawn by Qt asks it; the offscreen platform, like a compositor, then moves
        // the window onto the screen's available area and confirms the state.
        MainWindow window;
        window.move(40, 30);
        show(window);
        const QRect normal = window.geometry();
        window.windowHandle()->setWindowStates(Qt::WindowMaximized);
        QTRY_COMPARE(window.windowHandle()->windowStates(), Qt::WindowNoState);
        QTRY_COMPARE(window.geometry(), normal);
    }

    void closingTheWindowEndsTheEventLoop()
    {
        // As Exit does, which the end-to-end test sees end the program.
        MainWindow window;
        show(window);
        QTimer::singleShot(0, &window, [&] { window.close(); });
        // Should the loop go on, this ends it, and the test fails instead of hanging.
        QTimer::singleShot(10000, &window, [] { QApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
