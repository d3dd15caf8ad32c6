#include "mainwindow.h"

#include "accessibility.h"
#include "browser.h"
#include "messagebox.h"
#include "program.h"
#include "windowpictures.h"
#include "wrappedlabel.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace tavrilo {

namespace {

constexpr Bgr windowColour = 0x00FFFF80;
constexpr Bgr labelColour = 0x00FFFFC0;
constexpr Bgr navy = 0x00800000;
constexpr Bgr red = 0x000000FF;
constexpr Bgr blue = 0x00C00000;
constexpr Bgr black = 0x00000000;

// 12 pt and 9.75 pt at 96 dpi. Pixel sizes, since the whole window is laid out in pixels and must
// look the same whatever dpi a desktop reports.
constexpr int largeFont = 16;
constexpr int smallFont = 13;

const QString programName = QStringLiteral("Tavrilo");
const QString acceptFirst = QStringLiteral("Подтвердите принятие введённого ответа");

QFont boldFont(int pixels)
{
    QFont font(QStringLiteral("Tavrilo Sans"));
    font.setPixelSize(pixels);
    font.setBold(true);
    // Glyphs fitted to the pixel grid vertically only, as most Linux desktops set it: said here,
    // so that Windows and the browser, where FreeType draws them too, show the same pixels.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
    , announce_(announce)
    , quiz_(*this, random_)
{
    installAccessibleRoles();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(programName);
    setFixedSize(clientSize);
    setFont(boldFont(largeFont));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colourFromBgr(windowColour));
    palette.setColor(QPalette::WindowText, colourFromBgr(black));
    setPalette(palette);

    // Created in tab order, so that Qt's focus chain is the window's tab order. The object names
    // are those the tests and the screen-reader checks find the controls by: see Names in
    // docs/building.md.
    startButton_ = makeButton("Command2", QStringLiteral("Начало"), {64, 16, 113, 25});
    mistakeCaption_ = makeLabel("Label4", QStringLiteral("Сделано  ошибок:"), {512, 24, 137, 17},
                                navy, smallFont, Qt::AlignLeft | Qt::AlignTop);
    mistakeCount_ = makeLabel<CounterLabel>("Label5", QString(), {648, 24, 41, 25}, red, largeFont,
                                            Qt::AlignCenter, true);
    questionCaption_ = makeLabel("Label6", QStringLiteral("Задано вопросов:"), {504, 0, 137, 17},
                                 navy, smallFont, Qt::AlignLeft | Qt::AlignTop);
    questionCount_ = makeLabel<CounterLabel>("Label7", QString(), {648, 0, 41, 25}, navy, largeFont,
                                             Qt::AlignCenter, true);
    nextPointButton_ = makeButton("Command5", QStringLiteral("Ещё точка"), {384, 416, 105, 25});
    exitButton_ = makeButton("Command7", QStringLiteral("Выход"), {528, 416, 89, 25});
    acceptButton_ = makeButton("Command3", QStringLiteral("Принять ответ"), {376, 384, 121, 25});
    xCaption_ = makeLabel("Label1", QStringLiteral("x="), {344, 352, 33, 25}, black, largeFont,
                          Qt::AlignRight | Qt::AlignTop);
    yCaption_ = makeLabel("Label2", QStringLiteral("y="), {448, 352, 33, 25}, black, largeFont,
                          Qt::AlignRight | Qt::AlignTop);
    xAnswer_ = makeAnswerBox("t1", {376, 352, 33, 28});
    yAnswer_ = makeAnswerBox("t2", {480, 352, 33, 28});

    targetPlane_ = new PlaneBox(planeGridPicture, this);
    targetPlane_->setObjectName(QStringLiteral("p1"));
    targetPlane_->move(64, 48);
    answerPlane_ = new PlaneBox(planeGridPicture, this);
    answerPlane_->setObjectName(QStringLiteral("p2"));
    answerPlane_->move(384, 48);

    instruction_ = makeLabel<WrappedLabel>(
        "Label3", QStringLiteral("Укажите координаты выделенной точки"), {88, 344, 233, 41}, blue,
        largeFont, Qt::AlignHCenter | Qt::AlignTop);
    verdict_ = makeLabel<AlertLabel>("Label8", QString(), {520, 352, 89, 25}, red, smallFont,
                                     Qt::AlignHCenter | Qt::AlignTop);

    // What a screen reader says of the controls whose captions do not say it themselves.
    xAnswer_->setAccessibleName(QStringLiteral("Ответ: координата x"));
    yAnswer_->setAccessibleName(QStringLiteral("Ответ: координата y"));
    targetPlane_->setAccessibleName(QStringLiteral("Плоскость задания"));
    targetPlane_->setAccessibleDescription(QStringLiteral(
        "Координатная плоскость с красной точкой, координаты которой нужно указать"));
    answerPlane_->setAccessibleName(QStringLiteral("Плоскость ответа"));
    answerPlane_->setAccessibleDescription(
        QStringLiteral("Координатная плоскость, на которой синей точкой показан принятый ответ"));
    // A counter is named by its count alone and labelled by the caption beside it: a screen review
    // reads the caption once, and a screen reader that presents the counter alone says both.
    mistakeCaption_->setBuddy(mistakeCount_);
    questionCaption_->setBuddy(questionCount_);
    pointNews_ = new Notifier(this);

    setTabOrder(startButton_, nextPointButton_);
    setTabOrder(nextPointButton_, exitButton_);
    setTabOrder(exitButton_, acceptButton_);
    setTabOrder(acceptButton_, xAnswer_);
    setTabOrder(xAnswer_, yAnswer_);
    setTabOrder(yAnswer_, targetPlane_);
    setTabOrder(targetPlane_, answerPlane_);
    setTabOrder(answerPlane_, startButton_);
    startButton_->setFocus();

    // A modal box blocks the mouse and the keyboard but not a button's accessible "press": while
    // one is open, the window's buttons do nothing, whatever presses them.
    const auto onClick = [this](QPushButton *button, const auto &action) {
        connect(button, &QPushButton::clicked, this, [this, action] {
            const QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == this) action();
        });
    };
    onClick(startButton_, [this] { quiz_.start(); });
    onClick(acceptButton_, [this] { quiz_.acceptAnswer(xAnswer_->text(), yAnswer_->text()); });
    onClick(nextPointButton_, [this] { quiz_.nextPoint(xAnswer_->text(), yAnswer_->text()); });
    onClick(exitButton_, endProgram);
}

QPushButton *MainWindow::makeButton(const char *name, const QString &caption, QRect geometry)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(boldFont(smallFont));
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colourFromBgr(windowColour));
    palette.setColor(QPalette::ButtonText, colourFromBgr(black));
    button->setPalette(palette);
    // Enter presses the focused button, as Space does.
    button->setAutoDefault(true);
    return button;
}

template <typename Label>
Label *MainWindow::makeLabel(const char *name, const QString &caption, QRect geometry,
                             Bgr textColour, int fontPixels, Qt::Alignment alignment, bool framed)
{
    auto *label = new Label(caption, this);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setFont(boldFont(fontPixels));
    label->setAlignment(alignment);
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colourFromBgr(labelColour));
    palette.setColor(QPalette::WindowText, colourFromBgr(textColour));
    label->setPalette(palette);
    if (framed) {
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
    }
    return label;
}

QLineEdit *MainWindow::makeAnswerBox(const char *name, QRect geometry)
{
    auto *box = new QLineEdit(this);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setMaxLength(browser::longestAnswer());
    // On-screen keyboards leave a typed number as it is: "-3" is not to be corrected or
    // capitalised.
    box->setInputMethodHints(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
    return box;
}

Canvas &MainWindow::targetPlane()
{
    return *targetPlane_;
}

Canvas &MainWindow::answerPlane()
{
    return *answerPlane_;
}

void MainWindow::showQuestionCount(int count)
{
    const QString text = QString::number(count);
    questionCount_->setText(text);
    // A new count of points set is a new point, heard with the count: "Задано вопросов: 2".
    // Where the point lies is never said, which would give the answer away.
    pointNews_->setAccessibleName(questionCaption_->text() + QLatin1Char(' ') + text);
    announce_(pointNews_);
}

void MainWindow::showMistakeCount(int count)
{
    mistakeCount_->setText(QString::number(count));
}

void MainWindow::showVerdict(const QString &verdict)
{
    verdict_->setText(verdict);
    verdict_->setAccessibleName(verdict);
    if (!verdict.isEmpty()) announce_(verdict_);
}

void MainWindow::clearAnswer()
{
    // setText rather than clear(): an emptied box keeps no undo step back to the old answer.
    xAnswer_->setText(QString());
    yAnswer_->setText(QString());
    showVerdict(QString());
}

void MainWindow::askToAcceptFirst()
{
    showInformation(this, acceptFirst, programName);
}

void MainWindow::changeEvent(QEvent *event)
{
    // The window has one size, but where Qt draws the title bar itself (Wayland without server-side
    // decorations) Qt 6.4 offers a maximize button all the same, whatever the window's flags. The
    // compositor can only move a maximized fixed-size window (Mutter puts it in a corner), so the
    // window asks for its normal state back as soon as it learns it was maximized.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized))
        setWindowState(windowState() & ~Qt::WindowMaximized);
    QWidget::changeEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *)
{
    // Qt has filled the window with its colour, which shows only while a web page still fetches
    // the picture that covers it.
    QPainter(this).drawPixmap(0, 0, backgroundPicture(devicePixelRatioF()));
}

} // namespace tavrilo
