// The real window on the offscreen platform: layout, opening state, focus, and the drill through
// its widgets.
#include "application.h"
#include "formdriver.h"
#include "planegrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tavrilo;
using namespace tavrilo::testing;

class Form1Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    // The window as it opens
    void controlsStandWhereTheyBelong_data();
    void controlsStandWhereTheyBelong();
    void openingStateIsBlank();
    void captionsFit();
    void focusAndTabOrder();
    void planesShowTheGridPicture();
    void backgroundShowsAroundTheControls();
    void maximizingKeepsSizeAndPlace();

    // Start
    void startDrawsTheTargetOnItsCrossing();
    void secondStartChangesNothing();

    // The drill through the widgets
    void answerDotSitsOnTheTypedCrossing();
    void messageBoxIsShownAndClosed();
    void textBoxesTakeLongText();
    void exitAndClosingEndTheEventLoop_data();
    void exitAndClosingEndTheEventLoop();
};

void Form1Test::initTestCase()
{
    setUpApplication();
}

void Form1Test::controlsStandWhereTheyBelong_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("fontPixels");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<int>("alignment"); // horizontal only

    const QColor face(128, 255, 255), field(192, 255, 255), navy(0, 0, 128), red(255, 0, 0),
        blue(0, 0, 192), black(0, 0, 0), white(255, 255, 255);
    const int left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
    const auto row = [](const char *name) -> QTestData & {
        return QTest::newRow(name) << QString(name);
    };
    row("Command2") << QRect(64, 16, 113, 25) << "Начало" << 13 << black << face << centre;
    row("Label4") << QRect(512, 24, 137, 17) << "Сделано  ошибок:" << 13 << navy << field << left;
    row("Label5") << QRect(648, 24, 41, 25) << "" << 16 << red << field << centre;
    row("Label6") << QRect(504, 0, 137, 17) << "Задано вопросов:" << 13 << navy << field << left;
    row("Label7") << QRect(648, 0, 41, 25) << "" << 16 << navy << field << centre;
    row("Command5") << QRect(384, 416, 105, 25) << "Ещё точка" << 13 << black << face << centre;
    row("Command7") << QRect(528, 416, 89, 25) << "Выход" << 13 << black << face << centre;
    row("Command3") << QRect(376, 384, 121, 25) << "Принять ответ" << 13 << black << face << centre;
    row("Label1") << QRect(344, 352, 33, 25) << "x=" << 16 << black << field << right;
    row("Label2") << QRect(448, 352, 33, 25) << "y=" << 16 << black << field << right;
    row("t1") << QRect(376, 352, 33, 28) << "" << 16 << black << white << left;
    row("t2") << QRect(480, 352, 33, 28) << "" << 16 << black << white << left;
    row("p1") << QRect(64, 48, 289, 289) << "" << 0 << QColor() << white << 0;
    row("p2") << QRect(384, 48, 289, 289) << "" << 0 << QColor() << white << 0;
    row("Label3") << QRect(88, 344, 233, 41) << "Укажите координаты выделенной точки" << 16 << blue
                  << field << centre;
    row("Label8") << QRect(520, 352, 89, 25) << "" << 13 << red << field << centre;
}

void Form1Test::controlsStandWhereTheyBelong()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, fontPixels);
    QFETCH(QColor, textColour);
    QFETCH(QColor, background);
    QFETCH(int, alignment);

    Form1 form;
    auto *widget = form.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &form);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isVisibleTo(&form) && widget->isEnabled());
    if (fontPixels) {
        const QFontInfo font(widget->font());
        QCOMPARE(font.pixelSize(), fontPixels);
        QVERIFY(font.bold());
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
    }

    // The colours as they are painted: a pixel of the control's face away from text and frame.
    const QImage image = widget->grab().toImage();
    QPoint probe(widget->width() - 5, widget->height() / 2);
    if (qobject_cast<PlaneBox *>(widget))
        probe = {4, 285}; // the white strip below the grid picture
    QCOMPARE(QColor(image.pixel(probe)), background);

    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->palette().color(QPalette::WindowText), textColour);
        QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->palette().color(QPalette::ButtonText), textColour);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->palette().color(QPalette::Text), textColour);
        QCOMPARE(int(edit->alignment() & Qt::AlignHorizontal_Mask), alignment);
    }
}

void Form1Test::openingStateIsBlank()
{
    Form1 form;
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tavrilo"));
    QCOMPARE(form.minimumSize(), QSize(706, 487)); // fixed: neither smaller...
    QCOMPARE(form.maximumSize(), QSize(706, 487)); // ...nor larger
    QVERIFY(!form.windowIcon().isNull());
    for (const char *name : {"Label5", "Label7", "Label8"})
        QCOMPARE(control<QLabel>(form, name)->text(), QString());
    for (const char *name : {"t1", "t2"})
        QCOMPARE(control<QLineEdit>(form, name)->text(), QString());
    for (const char *plane : {"p1", "p2"}) {
        QVERIFY(!findBlob(drawingArea(form, plane), isRed));
        QVERIFY(!findBlob(drawingArea(form, plane), isBlue));
    }
    QCOMPARE(form.quiz().state(), QuizState{});
}

void Form1Test::captionsFit()
{
    Form1 form;
    for (auto *label : form.findChildren<QLabel *>()) {
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        const QRect needed =
            metrics.boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, label->text());
        QVERIFY2(room.contains(needed) || label->text().isEmpty(), qPrintable(label->objectName()));
    }
    for (auto *button : form.findChildren<QPushButton *>()) {
        const QFontMetrics metrics(button->font());
        QVERIFY2(metrics.horizontalAdvance(button->text()) + 8 <= button->width(),
                 qPrintable(button->objectName()));
    }

    // The instruction is two centred lines, broken at a blank.
    auto *instruction = control<QLabel>(form, "Label3");
    QVERIFY(instruction->wordWrap());
    const QFontMetrics metrics(instruction->font());
    QVERIFY(metrics.horizontalAdvance(instruction->text()) > instruction->width());
    const QRect twoLines = metrics.boundingRect(
        instruction->contentsRect(), Qt::AlignHCenter | Qt::TextWordWrap, instruction->text());
    QVERIFY(twoLines.height() > metrics.lineSpacing() * 3 / 2);
    QVERIFY(twoLines.height() < metrics.lineSpacing() * 5 / 2);
    QVERIFY(twoLines.height() <= instruction->height());
    QVERIFY(qAbs(twoLines.center().x() - instruction->contentsRect().center().x()) <= 1);

    // Two blanks stay two blanks.
    QVERIFY(control<QLabel>(form, "Label4")->text().contains(QStringLiteral("  ")));
}

void Form1Test::focusAndTabOrder()
{
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(form, "Command2"));

    const QStringList order{"Command5", "Command7", "Command3", "t1", "t2", "p1", "p2", "Command2"};
    for (const QString &next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
}

void Form1Test::planesShowTheGridPicture()
{
    Form1 form;
    const QImage grid = pictures::planeGrid(1);
    QImage expected(285, 285, QImage::Format_RGB32);
    expected.fill(Qt::white);                  // below the picture, the box's own white
    QPainter(&expected).drawImage(0, 0, grid); // at its own size; its last columns cut off
    for (const char *name : {"p1", "p2"}) {
        QCOMPARE(control<PlaneBox>(form, name)->contentsRect(), QRect(2, 2, 285, 285));
        QCOMPARE(drawingArea(form, name).convertToFormat(QImage::Format_RGB32), expected);
    }
}

void Form1Test::backgroundShowsAroundTheControls()
{
    Form1 form;
    const QImage window = form.grab().toImage();
    const QImage background(QStringLiteral(":/pictures/background.png"));
    QCOMPARE(background.size(), QSize(707, 488));
    // Places no control covers: the title area, the corners, the gap under the planes.
    for (const QPoint p : {QPoint(300, 20), QPoint(5, 5), QPoint(700, 480), QPoint(20, 470),
                           QPoint(360, 200), QPoint(690, 100)})
        QCOMPARE(QColor(window.pixel(p)), QColor(background.pixel(p)));
}

void Form1Test::maximizingKeepsSizeAndPlace()
{
    // As a title bar drawn by Qt asks it. The offscreen platform, like a compositor, then moves the
    // window onto the screen's available area and confirms the state.
    Form1 form;
    form.move(40, 30);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect normal = form.geometry();
    QWindow *window = form.windowHandle();
    window->setWindowStates(window->windowStates() ^ Qt::WindowMaximized);
    QTRY_COMPARE(window->windowStates(), Qt::WindowNoState);
    QTRY_COMPARE(form.geometry(), normal);
}

void Form1Test::startDrawsTheTargetOnItsCrossing()
{
    Form1 form;
    click(form, "Command2");
    QCOMPARE(control<QLabel>(form, "Label7")->text(), QStringLiteral("1"));
    QCOMPARE(control<QLabel>(form, "Label5")->text(), QString());
    QCOMPARE(control<QLabel>(form, "Label8")->text(), QString());
    QVERIFY(!findBlob(drawingArea(form, "p2"), isRed));

    // Point after point (each skipped), every red dot on its crossing.
    for (int i = 0; i < 30; ++i) {
        verifyDotOnCrossing(form, "p1", isRed, targetX(form), targetY(form));
        click(form, "Command5");
    }
}

void Form1Test::secondStartChangesNothing()
{
    Form1 form;
    click(form, "Command2");
    const QImage before = form.grab().toImage();
    const QuizState state = form.quiz().state();
    click(form, "Command2");
    QCOMPARE(form.quiz().state(), state);
    QCOMPARE(form.grab().toImage(), before);
}

void Form1Test::answerDotSitsOnTheTypedCrossing()
{
    Form1 form;
    click(form, "Command2");
    const QList<QPoint> answers{{3, -2}, {-7, 7}, {0, 0}, {7, -7}, {-1, 5}};
    for (const QPoint a : answers) {
        const bool right = a.x() == targetX(form) && a.y() == targetY(form);
        type(form, "t1", QString::number(a.x()));
        type(form, "t2", QString::number(a.y()));
        click(form, "Command3");
        verifyDotOnCrossing(form, "p2", isBlue, a.x(), a.y());
        QCOMPARE(control<QLabel>(form, "Label8")->text(),
                 right ? QStringLiteral("Верно") : QStringLiteral("Ошибка"));
        verifyDotOnCrossing(form, "p1", isRed, targetX(form), targetY(form));
        click(form, "Command5");
        QVERIFY(!findBlob(drawingArea(form, "p2"), isBlue));
        QCOMPARE(control<QLineEdit>(form, "t1")->text(), QString());
    }
    QCOMPARE(control<QLabel>(form, "Label7")->text(), QStringLiteral("6"));
}

void Form1Test::messageBoxIsShownAndClosed()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    click(form, "Command2");
    type(form, "t1", "4");
    const QuizState state = form.quiz().state();
    const QImage task = drawingArea(form, "p1");
    const QStringList captions = {control<QLabel>(form, "Label5")->text(),
                                  control<QLabel>(form, "Label7")->text(),
                                  control<QLabel>(form, "Label8")->text()};

    ModalCloser closer;
    click(form, "Command5");
    QVERIFY(closer.shown);
    QCOMPARE(closer.text, QStringLiteral("Подтвердите принятие введённого ответа"));
    QCOMPARE(closer.title, QStringLiteral("Tavrilo"));
    QCOMPARE(closer.icon, QMessageBox::Information);
    QCOMPARE(closer.buttons, 1);
    QVERIFY(closer.ok);
    QVERIFY(!QApplication::activeModalWidget());

    QCOMPARE(form.quiz().state(), state);
    QCOMPARE(control<QLineEdit>(form, "t1")->text(), QStringLiteral("4"));
    QCOMPARE(drawingArea(form, "p1"), task);
    QCOMPARE((QStringList{control<QLabel>(form, "Label5")->text(),
                          control<QLabel>(form, "Label7")->text(),
                          control<QLabel>(form, "Label8")->text()}),
             captions);
}

void Form1Test::textBoxesTakeLongText()
{
    Form1 form;
    for (const char *name : {"t1", "t2"}) {
        auto *box = control<QLineEdit>(form, name);
        box->setText(QString(40000, QLatin1Char('7')));
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClicks(box, "12");
        QCOMPARE(box->text().size(), 40002);
    }
    click(form, "Command2");
    click(form, "Command3");
    QCOMPARE(control<QLabel>(form, "Label8")->text(), QStringLiteral("Ошибка"));
}

void Form1Test::exitAndClosingEndTheEventLoop_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Exit") << true;
    QTest::newRow("the window's close command") << false;
}

void Form1Test::exitAndClosingEndTheEventLoop()
{
    QFETCH(bool, byButton);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTimer::singleShot(0, &form, [&] { byButton ? click(form, "Command7") : void(form.close()); });
    // Should the loop go on, this ends it, and the test fails instead of hanging.
    QTimer::singleShot(10000, &form, [] { QApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
}

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
