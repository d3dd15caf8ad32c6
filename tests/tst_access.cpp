// The window for a screen reader and for the keyboard alone.
#include "application.h"
#include "formdriver.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QtTest>
#include <memory>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

QAccessibleInterface *accessible(const Form1 &form, const char *name)
{
    return QAccessible::queryAccessibleInterface(control<QWidget>(form, name));
}

QString nameOf(const Form1 &form, const char *control)
{
    return accessible(form, control)->text(QAccessible::Name);
}

// Presses a button as assistive technology does, through its accessible action.
void press(const Form1 &form, const char *button)
{
    accessible(form, button)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
}

// Shows the window and gives it the keyboard.
void activate(Form1 &form)
{
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
}

} // namespace

class AccessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpApplication(); }

    // A screen reader
    void controlsHaveRussianNames_data();
    void controlsHaveRussianNames();
    void countersAreLabelledByTheirCaptions();
    void newVerdictsAndPointsAreAnnounced();
    void nothingBehindAnOpenBoxActs();
    void qtTextsAreRussian();

    // The keyboard alone
    void spaceAndEnterPressTheFocusedButton_data();
    void spaceAndEnterPressTheFocusedButton();
    void aWholePointByKeyboard();
    void focusIsVisibleOnAPlane();
};

void AccessTest::controlsHaveRussianNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *name) -> QTestData & {
        return QTest::newRow(name) << QString(name);
    };
    row("Command2") << int(QAccessible::Button) << "Начало";
    row("Command3") << int(QAccessible::Button) << "Принять ответ";
    row("Command5") << int(QAccessible::Button) << "Ещё точка";
    row("Command7") << int(QAccessible::Button) << "Выход";
    row("t1") << int(QAccessible::EditableText) << "Ответ: координата x";
    row("t2") << int(QAccessible::EditableText) << "Ответ: координата y";
    row("p1") << int(QAccessible::Graphic) << "Плоскость задания";
    row("p2") << int(QAccessible::Graphic) << "Плоскость ответа";
    row("Label3") << int(QAccessible::StaticText) << "Укажите координаты выделенной точки";
    row("Label8") << int(QAccessible::Notification) << "";
}

void AccessTest::controlsHaveRussianNames()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    Form1 form;
    QAccessibleInterface *face = accessible(form, qPrintable(control));
    QVERIFY(face && face->isValid());
    QCOMPARE(int(face->role()), role);
    QCOMPARE(face->text(QAccessible::Name), name);
    if (face->role() == QAccessible::Graphic)
        QVERIFY(face->text(QAccessible::Description).contains(QStringLiteral("точк")));
    QCOMPARE(accessible(form, "Command2")->parent()->text(QAccessible::Name),
             QStringLiteral("Tavrilo"));
}

void AccessTest::countersAreLabelledByTheirCaptions()
{
    // A screen review reads the caption, then the counter: the caption once.
    Form1 form;
    const auto check = [&form](const char *counter, const char *caption, const char *count) {
        QCOMPARE(nameOf(form, counter), QString::fromUtf8(count));
        const auto labels = accessible(form, counter)->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), QString::fromUtf8(caption));
    };
    check("Label7", "Задано вопросов:", "");
    check("Label5", "Сделано  ошибок:", "");
    click(form, "Command2");
    click(form, "Command5"); // skipped: one mistake
    check("Label7", "Задано вопросов:", "2");
    check("Label5", "Сделано  ошибок:", "1");
}

void AccessTest::newVerdictsAndPointsAreAnnounced()
{
    Form1 form;
    QStringList heard; // what each announcement gives a screen reader to say
    form.setAnnouncer([&](QWidget *w) {
        const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        QCOMPARE(face->role(), QAccessible::Notification);
        QVERIFY(!face->state().focused);
        heard << face->text(QAccessible::Name);
    });

    click(form, "Command2");
    type(form, "t1", QString::number(targetX(form)));
    type(form, "t2", QString::number(targetY(form)));
    click(form, "Command3");
    click(form, "Command3"); // already judged: nothing new to say
    click(form, "Command5"); // the verdict is cleared, not announced
    QCOMPARE(nameOf(form, "Label8"), QString());
    type(form, "t1", "9");
    type(form, "t2", "9");
    click(form, "Command3");
    QCOMPARE(heard, (QStringList{"Задано вопросов: 1", "Верно", "Задано вопросов: 2", "Ошибка"}));
    QCOMPARE(nameOf(form, "Label8"), QStringLiteral("Ошибка"));
}

void AccessTest::nothingBehindAnOpenBoxActs()
{
    Form1 form;
    click(form, "Command2");
    type(form, "t1", "1");
    type(form, "t2", "1");
    const QuizState before = form.quiz().state();
    QSignalSpy accepts(control<QPushButton>(form, "Command3"), &QPushButton::clicked);
    QSignalSpy anothers(control<QPushButton>(form, "Command5"), &QPushButton::clicked);
    // While the box asks for the answer to be accepted, assistive technology presses Accept and
    // Another point behind it; once both presses have landed, the box is closed. Any other box
    // that opens meanwhile is closed at once, and counted.
    QSet<QWidget *> boxes;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return;
        if (boxes.isEmpty()) {
            press(form, "Command3");
            press(form, "Command5");
        }
        boxes << box;
        if (boxes.size() > 1 || (accepts.size() && anothers.size()))
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    poll.start(10);
    click(form, "Command5");
    poll.stop();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(form.quiz().state() == before);
}

void AccessTest::qtTextsAreRussian()
{
    Form1 form;
    const std::unique_ptr<QMenu> menu(control<QLineEdit>(form, "t1")->createStandardContextMenu());
    QStringList entries;
    for (const QAction *action : menu->actions())
        if (!action->isSeparator()) entries << action->text().section(u'\t', 0, 0);
    QCOMPARE(entries, (QStringList{"&Отменить действие", "&Повторить действие", "&Вырезать",
                                   "&Копировать", "В&ставить", "Удалить", "Выделить всё"}));
}

void AccessTest::spaceAndEnterPressTheFocusedButton_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
}

void AccessTest::spaceAndEnterPressTheFocusedButton()
{
    QFETCH(int, key);
    Form1 form;
    activate(form);
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(form, "Command2"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(form.quiz().state().questionCount, 1);
    QCOMPARE(control<QLabel>(form, "Label7")->text(), QStringLiteral("1"));
}

void AccessTest::aWholePointByKeyboard()
{
    Form1 form;
    activate(form);
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    press(Qt::Key_Return); // Start
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Tab); // Command5, Command7, Command3, t1
    QTest::keyClicks(QApplication::focusWidget(), QString::number(targetX(form)));
    press(Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QString::number(targetY(form)));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("t2"));
    press(Qt::Key_Return); // in a box, Enter is no Accept
    QCOMPARE(form.quiz().state().acceptCount, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command3"));
    press(Qt::Key_Space); // Accept
    QCOMPARE(control<QLabel>(form, "Label8")->text(), QStringLiteral("Верно"));
    verifyDotOnCrossing(form, "p2", isBlue, targetX(form), targetY(form));
}

void AccessTest::focusIsVisibleOnAPlane()
{
    Form1 form;
    activate(form);
    auto *plane = control<PlaneBox>(form, "p1");
    const QImage unfocused = plane->grab().toImage();
    plane->setFocus(Qt::TabFocusReason);
    QVERIFY(plane->hasFocus());
    const QImage focused = plane->grab().toImage();
    QVERIFY(focused != unfocused);
    // Only the frame shows it; the drawing area stays as it was.
    const QRect area = plane->contentsRect();
    QCOMPARE(focused.copy(area), unfocused.copy(area));
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
