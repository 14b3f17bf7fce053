#include "Splash.h"

#include "JpegImage.h"
#include "Workspace.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <span>

namespace velcora {

namespace {

const QColor LightBlue(0x9f, 0xd4, 0xff);
const QColor FoundGreen(0x3c, 0xe0, 0x5a);
const QColor NotFoundRed(0xff, 0x4a, 0x3c);
const QString LookingText = QStringLiteral("Looking for Synth");
const QString FoundText = QStringLiteral(" ---- Found Synth ---- ");
const QString NotFoundText =
    QStringLiteral(" ---- Can't Find Synth ---- \n **** Check Midi Setup ****");
/// How far the shadow lies below and right of the title.
constexpr int ShadowOffset = 3;
constexpr int TitlePoints = 40;
constexpr int StatusPoints = 16;

QImage LoadPicture() {
    QFile file(QString::fromLatin1(TfSplash::PicturePath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return JpegToImage(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                 static_cast<size_t>(bytes.size())));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(text);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

TfSplash::TfSplash(TWorkspace& workspace, std::function<void(bool withSetup)> finish,
                   QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), FWorkspace(workspace),
      FFinish(std::move(finish)), FPicture(LoadPicture()) {
    setObjectName(QStringLiteral("fSplash"));
    setAccessibleName(QStringLiteral("Velcora"));
    setAttribute(Qt::WA_OpaquePaintEvent);

    QFont title(QStringLiteral("DejaVu Serif"), TitlePoints, QFont::Bold);
    title.setStyleHint(QFont::Serif);
    FTitleShadow = MakeLabel(this, "lTitleShadow", QStringLiteral("EMU Synth"), title, Qt::black);
    FTitleColour = MakeLabel(this, "lTitleColour", QStringLiteral("EMU Synth"), title, LightBlue);
    QFont status = font();
    status.setPointSize(StatusPoints);
    status.setBold(true);
    FLooking = MakeLabel(this, "lLooking", LookingText, status, LightBlue);

    // A screen smaller than the window (a small laptop at a large scale) gets a smaller
    // window of the same proportions: the picture and labels follow its size.
    QSize size(Width, Height);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        size = size.boundedTo(area.size());
        size = QSize(Width, Height).scaled(size, Qt::KeepAspectRatio);
        resize(size);
        move(area.center() - rect().center());
    } else {
        resize(size);
    }

    FTimer.setInterval(100);
    connect(&FTimer, &QTimer::timeout, this, &TfSplash::TimerTimer);
}

TfSplash::~TfSplash() = default;

void TfSplash::ShowSplashModel(const std::string& modelName) {
    const QString text = QString::fromStdString(modelName);
    for (QLabel* label : {FTitleShadow, FTitleColour}) {
        label->setText(text);
        label->setAccessibleName(text);
    }
    PlaceLabels();
}

void TfSplash::TimerTimer() {
    const TWorkspaceStatus status = FWorkspace.Status();
    const TSplashSchedule::TStep step =
        FSchedule.Tick(!status.SynthInput.Open && !status.SynthOutput.Open, status.SynthFound);
    if (step.Found) {
        ShowLooking(FoundText, FoundGreen);
        FWorkspace.SendInitParam();
    }
    switch (step.Action) {
    case TSplashSchedule::TAction::None:
        break;
    case TSplashSchedule::TAction::RequestIdentity:
        FWorkspace.RequestIdentity();
        break;
    case TSplashSchedule::TAction::ShowNotFound:
        ShowLooking(NotFoundText, NotFoundRed);
        break;
    case TSplashSchedule::TAction::FinishWithSetup:
    case TSplashSchedule::TAction::Finish:
        FTimer.stop();
        // The main window comes up before the splash goes, so that a window always shows.
        if (FFinish) {
            FFinish(step.Action == TSplashSchedule::TAction::FinishWithSetup);
        }
        hide();
        break;
    }
}

void TfSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Shown again by the window system (after being minimised) the search goes on.
    if (!event->spontaneous() && !FSchedule.Done()) {
        FSchedule.Start();
        FTimer.start();
    }
}

void TfSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!FPicture.isNull()) {
        QRect target(QPoint(), FPicture.size().scaled(size(), Qt::KeepAspectRatio));
        target.moveCenter(rect().center());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, FPicture);
    }
}

void TfSplash::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceLabels();
}

void TfSplash::ShowLooking(const QString& text, const QColor& colour) {
    FLooking->setText(text);
    FLooking->setAccessibleName(text);
    QPalette palette = FLooking->palette();
    palette.setColor(QPalette::WindowText, colour);
    FLooking->setPalette(palette);
    PlaceLabels();
}

void TfSplash::PlaceLabels() {
    // A long model name, or a window made smaller for a small screen, takes a smaller face
    // rather than losing its ends.
    for (QLabel* label : {FTitleShadow, FTitleColour, FLooking}) {
        QFont font = label->font();
        font.setPointSize(label == FLooking ? StatusPoints : TitlePoints);
        while (font.pointSize() > 6 &&
               QFontMetrics(font).size(0, label->text()).width() > width() - 2 * ShadowOffset) {
            font.setPointSize(font.pointSize() - 1);
        }
        label->setFont(font);
    }
    // The title across the upper third, its shadow a little below and right; the status
    // centred near the bottom, over the picture's darker band.
    const int titleHeight = FTitleColour->sizeHint().height();
    const QRect titleArea(0, height() / 6, width(), titleHeight);
    FTitleColour->setGeometry(titleArea);
    FTitleShadow->setGeometry(titleArea.translated(ShadowOffset, ShadowOffset));
    const int lookingHeight = FLooking->sizeHint().height();
    FLooking->setGeometry(0, height() - lookingHeight - height() / 10, width(), lookingHeight);
}

} // namespace velcora
