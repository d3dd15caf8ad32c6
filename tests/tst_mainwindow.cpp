// The real window on the offscreen platform: its controls, its pictures at the screen's resolution,
// the drill through its widgets as the screen shows it, and the window for a screen reader and for
// the keyboard alone. ctest runs it at the device pixel ratios 1 (with the system's fonts hidden,
// so that only the embedded font is Tavrilo Sans), 1.25 (with a second screen, at 1, to move
// the window to), 1.5 and 2.
#include "application.h"
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

QAccessibleInterface *accessible(const MainWindow &window, const char *name)
{
    return QAccessible::queryAccessibleInterface(control(window, name));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    // Consulted before the program's own translator, which it leaves to answer: what Qt looked up.
    struct LookedUp : QTranslator {
        mutable QList<std::pair<QByteArray, QByteArray>> asked;
        QString translate(const char *context, const char *source, const char *, int) const override
        {
            asked.emplaceBack(context, source);
            return {};
        }
        bool isEmpty() const override { return false; }
    } lookedUp_;

private slots:
    void initTestCase()
    {
        setUpApplication();
        QCoreApplication::installTranslator(&lookedUp_);
    }

    void controlsShowWhatTheyShould_data()
    {
        QTest::addColumn<int>("i");
        for (const Control &c : controls)
            QTest::newRow(c.name) << int(&c - controls);
    }
    void controlsShowWhatTheyShould()
    {
        QFETCH(int, i);
        const Control &c = controls[i];
        MainWindow window;
        QWidget *widget = control(window, c.name);
        QCOMPARE(widget->geometry(), c.rect);
        QVERIFY(widget->isVisibleTo(&window) && widget->isEnabled());
        QCOMPARE(widget->property("text").toString(), QString::fromUtf8(c.text));
        QCOMPARE(widget->property("wordWrap").toBool(), c.name == std::string_view("Label3"));
        if (c.fontPixels) {
            const QFontInfo font(widget->font());
            QCOMPARE(font.family(), QStringLiteral("Tavrilo Sans"));
            QCOMPARE(font.pixelSize(), c.fontPixels);
            QVERIFY(font.bold());
            QCOMPARE(widget->palette().color(widget->foregroundRole()), QColor(c.ink));
        }
        if (const QVariant alignment = widget->property("alignment"); alignment.isValid())
            QCOMPARE(int(alignment.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask), c.alignment);
        // The ground as painted, away from text and frame; below the grid picture on a plane.
        const QImage image = widget->grab().toImage();
        const QPoint probe = qobject_cast<PlaneBox *>(widget) ? QPoint(4, 285)
                             : c.alignment == left ? QPoint(c.rect.width() - 5, c.rect.height() / 2)
                                                   : QPoint(4, c.rect.height() / 2);
        QCOMPARE(QColor(image.pixel(probe * image.devicePixelRatio())), QColor(c.ground));
    }

    void controlsHaveRussianNames()
    {
        // Those that no caption names; the planes as graphics that say what they show.
        MainWindow window;
        const std::tuple<const char *, QAccessible::Role, const char *> names[] = {
            {"t1", QAccessible::EditableText, "Ответ: координата x"},
            {"t2", QAccessible::EditableText, "Ответ: координата y"},
            {"p1", QAccessible::Graphic, "Плоскость задания"},
            {"p2", QAccessible::Graphic, "Плоскость ответа"},
            {"Label8", QAccessible::Notification, ""}};
        for (const auto &[name, role, text] : names) {
            QCOMPARE(accessible(window, name)->role(), role);
            QCOMPARE(accessible(window, name)->text(QAccessible::Name), QString::fromUtf8(text));
        }
        for (const char *plane : {"p1", "p2"})
            QVERIFY(accessible(window, plane)->text(QAccessible::Description).contains(u"точк"));
    }

    void qtsOwnTextsInRussian()
    {
        // What Qt shows or says of its own in the window is Russian: an answer box's context menu
        // with its shortcuts, the message box, a screen reader's names of the actions. The program
        // carries only part of Qt's translation: whatever Qt looked up here that the whole
        // translation has, the program's part has too.
        MainWindow window;
        lookedUp_.asked.clear();
        const std::unique_ptr<QMenu> menu(
            control<QLineEdit>(window, "t1")->createStandardContextMenu());
        menu->adjustSize(); // lays out each entry with its shortcut's text
        QCOMPARE(menu->actions().constFirst()->text().section(u'\t', 0, 0), u"&Отменить действие");
        for (const char *name : {"Command2", "t1"}) {
            QAccessibleActionInterface *actions = accessible(window, name)->actionInterface();
            for (const QString &action : actions->actionNames())
                (void)actions->localizedActionName(action),
                    actions->localizedActionDescription(action);
        }
        show(window);
        window.askToAcceptFirst();
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->button(QMessageBox::Ok)->text(), u"OK");
        box->close();
        QTranslator whole, part;
        QVERIFY(whole.load(QStringLiteral(TAVRILO_QT_RUSSIAN)));
        QVERIFY(part.load(QStringLiteral(":/translations/qtbase_ru.qm")));
        QVERIFY(lookedUp_.asked.size() > 10);
        QStringList lacking;
        for (const auto &[context, source] : std::as_const(lookedUp_.asked))
            if (!whole.translate(context, source).isEmpty() &&
                part.translate(context, source).isEmpty())
                lacking << QString::fromUtf8(context + '/' + source);
        QVERIFY2(lacking.isEmpty(), qPrintable(lacking.join(u", ")));
    }

    void picturesAtTheScreensResolution()
    {
        // On every screen it is moved to, the window shows its background and, in both planes,
        // the grid as drawn for that screen's ratio, pixel for pixel, white below the grid.
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Tavrilo"));
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
            for (const char *plane : {"p1", "p2"})
                QVERIFY2(shown(window, plane).convertToFormat(grid.format()) == expected, plane);
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
        click(window, "Command2");
        QCOMPARE(dotOn(window, "p2", Qt::blue), noDot);
        const QList<QPoint> answers{{-7, 7}, {7, -7}, {0, 0}};
        for (int i = 1; i <= 4; ++i) {
            const QPoint task(window.quiz().state().targetX, window.quiz().state().targetY);
            const QPoint answer = answers.value(i - 1, task);
            news << u"Задано вопросов: %1"_s.arg(i) << (answer == task ? u"Верно"_s : u"Ошибка"_s);
            QCOMPARE(dotOn(window, "p1", Qt::red), task);
            type(window, "t1", QString::number(answer.x()));
            type(window, "t2", QString::number(answer.y()));
            click(window, "Command3");
            click(window, "Command3");
            QCOMPARE(dotOn(window, "p2", Qt::blue), answer);
            QCOMPARE(control<QLabel>(window, "Label8")->text(), news.last());
            click(window, "Command5");
            QCOMPARE(dotOn(window, "p2", Qt::blue), noDot);
            QCOMPARE(control<QLineEdit>(window, "t1")->text(), QString());
        }
        QCOMPARE(heard, news << u"Задано вопросов: 5"_s);
        QStringList review;
        for (const char *counter : {"Label7", "Label5"}) {
            for (const auto &label : accessible(window, counter)->relations(QAccessible::Label))
                review << label.first->text(QAccessible::Name);
            review << accessible(window, counter)->text(QAccessible::Name);
        }
        QCOMPARE(review, (QStringList{u"Задано вопросов:"_s, u"5"_s, u"Сделано  ошибок:"_s,
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
        click(window, "Command2");
        type(window, "t1", "4");
        type(window, "t2", "4");
        const QuizState before = window.quiz().state();
        QSignalSpy accepts(control<QPushButton>(window, "Command3"), &QPushButton::clicked);
        QSignalSpy anothers(control<QPushButton>(window, "Command5"), &QPushButton::clicked);
        click(window, "Command5");
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon()) +
                     u'|' + QString::number(box->buttons().size()),
                 QStringLiteral("Tavrilo|Подтвердите принятие введённого ответа|%1|1")
                     .arg(QMessageBox::Information));
        QVERIFY(window.geometry().contains(box->geometry().center()));
        for (const char *button : {"Command3", "Command5"})
            accessible(window, button)
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(accepts.size() + anothers.size(), 3); // the click that asked, and the two
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QCOMPARE(window.quiz().state(), before);
        QCOMPARE(control<QLineEdit>(window, "t1")->text(), QStringLiteral("4"));
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
        auto *plane = control<PlaneBox>(window, "p1");
        const QImage unfocused = plane->grab().toImage();
        const QImage area = plane->grab(plane->contentsRect()).toImage();
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 8; ++i) {
            key(Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
            if (order.last() != u"p1") continue;
            QVERIFY(plane->grab().toImage() != unfocused &&
                    plane->grab(plane->contentsRect()).toImage() == area);
        }
        QCOMPARE(order.join(u' '), u"Command2 Command5 Command7 Command3 t1 t2 p1 p2 Command2");
        key(Qt::Key_Return); // Start
        key(Qt::Key_Tab);
        key(Qt::Key_Enter); // Another point
        key(Qt::Key_Space); // Another point
        QCOMPARE(control<QLabel>(window, "Label7")->text(), QStringLiteral("3"));
        // Into the boxes, an answer of any length: 40,002 characters, where QLineEdit would
        // stop at 32,767.
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab);
        control<QLineEdit>(window, "t1")->setText(QString(40000, u'7'));
        key(Qt::Key_End);
        QTest::keyClicks(QApplication::focusWidget(), "12");
        QCOMPARE(control<QLineEdit>(window, "t1")->text().size(), 40002);
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
