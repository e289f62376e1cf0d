#include "ui/browser/thumbnail_browser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>

#include "ui/browser/browser_selection.h"
#include "ui/compact_path.h"
#include "ui/screen_fit.h"

namespace kadrel {
namespace {

constexpr int kPanelControlWidth = 1575;  // twips
constexpr int kHintWidth = 1815;          // twips

const char* const kFrameStyle =
    "kadrel--ThumbnailFrame { border: 1px solid #9aa0a6; background: #eef0f2; padding: 0; }"
    "kadrel--ThumbnailFrame:checked { border: 3px solid #1b4aa0; background: #5b8fe0; }";

QPushButton* makeButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

ThumbnailFrame::ThumbnailFrame(int k, QWidget* parent) : QToolButton(parent), index(k) {
    setObjectName(QString("Check1_%1").arg(k));
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void ThumbnailFrame::mousePressEvent(QMouseEvent* event) {
    emit framePressed(index, event->button(), event->modifiers(), event->position().toPoint());
    event->accept();
}

void ThumbnailFrame::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void ThumbnailFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

ThumbnailBrowser::ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      store_(store),
      settings_(settings) {
    setObjectName("ThumbnailBrowser");
    setWindowTitle("select Clips/Pictures manually");
    setStyleSheet(kFrameStyle);
    if (mainWindow != nullptr)
        QApplication::alert(mainWindow);
    settings_.thumbnailSize = static_cast<int16_t>(displaySizeIndex(settings_.thumbnailSize));
    grid_.setDisplaySize(settings_.thumbnailSize, store_.widethumbnails);
    buildPanel();
    buildTimers();
    picinfo = new FileInfoDialog(store_, this);
    addFrame(0, true);
    Check1[0]->hide();
    Label7[0]->hide();
    Label4->setText(QString::number(store_.filecount));
    Label5->setText(QString::number(store_.selectedcount));
    applyStoredGeometry();
    resizeBrowser();
    growToShowAFrame();
    // The four keys scroll whichever control has the focus; the size list must not eat them.
    for (QWidget* control : {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Command1),
                             static_cast<QWidget*>(Command2), static_cast<QWidget*>(Command3), Picture1})
        control->installEventFilter(this);
}

ThumbnailBrowser::~ThumbnailBrowser() = default;

int ThumbnailBrowser::px(int twipsValue) const {
    return qRound(twipsValue * logicalDpiX() / 1440.0);
}

int ThumbnailBrowser::twips(int pixels) const {
    return qRound(pixels * 1440.0 / logicalDpiX());
}

void ThumbnailBrowser::buildPanel() {
    Label1 = new QLabel("Size of Thumbnails:", this);
    Label1->adjustSize();  // as wide as its text needs, so the text is never cut
    Label1->move(0, px(105));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName("Combo1");
    for (const DisplaySize& size : kDisplaySizes)
        Combo1->addItem(size.item);
    Combo1->setToolTip("specify size of Thumbnails");
    Combo1->setGeometry(0, px(345), px(kPanelControlWidth), Combo1->sizeHint().height());
    Command1 = makeButton("&Select All", "selects all Thumbnails", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(0, px(765), px(kPanelControlWidth), px(330));
    Command2 = makeButton("&Unselect All", "unselects all Thumbnails", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(0, px(1170), px(kPanelControlWidth), px(330));
    Frame1 = new QFrame(this);
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(0, px(1650), px(kPanelControlWidth), px(1365));
    const int inner = px(kPanelControlWidth - 240);
    Label2 = new QLabel("total Files:", Frame1);
    Label2->setGeometry(px(120), px(240), inner, px(225));
    Label4 = new QLabel(Frame1);
    Label4->setObjectName("Label4");
    Label4->setGeometry(px(120), px(480), inner, px(225));
    Label3 = new QLabel("selected Files:", Frame1);
    Label3->setGeometry(px(120), px(795), inner, px(225));
    Label5 = new QLabel(Frame1);
    Label5->setObjectName("Label5");
    Label5->setGeometry(px(120), px(1020), inner, px(225));
    Command3 = makeButton("&Accept && Close", "accept current selection and close Browser", this);
    Command3->setObjectName("Command3");
    Command3->setGeometry(0, px(3285), px(kPanelControlWidth), px(405));
    buildHintAndScrollBar();
}

void ThumbnailBrowser::buildHintAndScrollBar() {
    Label6 = new QLabel(
        "(use Shift/Ctrl Key+left Mousebutton to select multiple items, use right "
        "Mousebutton to get File Information)",
        this);
    Label6->setWordWrap(true);
    // The hint wraps to as many lines as the font needs, so none of it is cut off.
    Label6->setGeometry(0, px(3885), px(kHintWidth),
                        std::max(px(1020), Label6->heightForWidth(px(kHintWidth))));
    Picture1 = new QWidget(this);
    Picture1->setObjectName("Picture1");
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture1->setGeometry(-1000, -1000, 1, 1);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName("VScroll1");
    VScroll1->setFocusPolicy(Qt::NoFocus);  // the focus stays with Picture1
    VScroll1->setMinimum(1);
    VScroll1->setSingleStep(1);
    VScroll1->hide();
    connect(VScroll1, &QScrollBar::valueChanged, this, &ThumbnailBrowser::onScroll);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &ThumbnailBrowser::onSizeChosen);
    connect(Command1, &QPushButton::clicked, this, [this] {
        selectAll(store_);
        refreshChecks();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        unselectAll(store_);
        refreshChecks();
    });
    connect(Command3, &QPushButton::clicked, this, &ThumbnailBrowser::closeKeepingSelection);
}

void ThumbnailBrowser::buildTimers() {
    QTimer* timers[3] = {&Timer1, &Timer2, &Timer3};
    for (QTimer* timer : timers) {
        timer->setSingleShot(true);
        timer->setInterval(1);
    }
    connect(&Timer1, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&Timer2, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&Timer3, &QTimer::timeout, this, [this] { refresh(true); });
}

void ThumbnailBrowser::applyStoredGeometry() {
    loading_ = true;
    resize(std::max(px(settings_.width), px(kPanelWidth)),
           std::max(px(settings_.height), px(kMinClientHeight)));
    move(px(settings_.xpos), px(settings_.ypos));
    keepOnScreen(*this);
    Combo1->setCurrentIndex(settings_.thumbnailSize);
    loading_ = false;
}

void ThumbnailBrowser::storeGeometry() {
    if (isMinimized() || isMaximized())
        return;
    settings_.xpos = twips(pos().x());
    settings_.ypos = twips(pos().y());
    settings_.width = twips(width());
    settings_.height = twips(height());
}

void ThumbnailBrowser::arrangeControls() {
    setMinimumSize(px(kPanelWidth), px(kMinClientHeight));
    const int panelLeft = width() - px(kPanelWidth);
    for (QWidget* control :
         {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2),
          static_cast<QWidget*>(Command3), static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Label6)}) {
        control->move(panelLeft + (px(kPanelWidth) - control->width()) / 2, control->y());
    }
    Label1->move(Combo1->x(), Label1->y());
}

void ThumbnailBrowser::resizeBrowser() {
    if (isMinimized())
        return;
    grid_.resizeBrowser(twips(width()), twips(height()), store_.filecount);
    arrangeControls();
    store_.currentfileindex = grid_.fileIndex(0);
    syncScrollBar();
}

void ThumbnailBrowser::syncScrollBar() {
    VScroll1->setGeometry(px(grid_.scrollleft), 0, px(kScrollWidth), height());
    VScroll1->setPageStep(grid_.largechange);
    if (!grid_.scrollvisible) {
        VScroll1->hide();
        return;
    }
    const QSignalBlocker blocker(VScroll1);
    VScroll1->setRange(1, grid_.scrollmaximum);
    VScroll1->setValue(grid_.firstrow);
    VScroll1->show();
}

void ThumbnailBrowser::addFrame(int k, bool sized) {
    auto* frame = new ThumbnailFrame(k, this);
    auto* caption = new QLabel(this);
    caption->setObjectName(QString("Label7_%1").arg(k));
    connect(frame, &ThumbnailFrame::framePressed, this, &ThumbnailBrowser::onFramePressed);
    Check1.push_back(frame);
    Label7.push_back(caption);
    if (sized)
        sizeFrame(k);
}

void ThumbnailBrowser::sizeFrame(int k) {
    Check1[k]->setFixedSize(px(grid_.framewidth), px(grid_.frameheight));
    Check1[k]->setIconSize(QSize(grid_.picturewidth, grid_.pictureheight));
    Label7[k]->setFixedWidth(px(grid_.framewidth));
}

void ThumbnailBrowser::manageControls(bool reload) {
    const int visible = grid_.visiblecount;
    const int keep = reload ? 0 : std::min(loadedcount_, visible);
    // Frame 0 always exists and is only hidden; the others come and go with the page.
    while (Check1.size() > static_cast<size_t>(std::max(1, keep))) {
        delete Check1.back();
        delete Label7.back();
        Check1.pop_back();
        Label7.pop_back();
    }
    if (keep == 0) {
        Check1[0]->hide();
        Label7[0]->hide();
        sizeFrame(0);
    }
    for (int k = keep; k < visible; ++k) {
        if (k > 0)
            addFrame(k, true);
        Check1[k]->show();
        Label7[k]->show();
    }
    moveControls();
    loadedcount_ = visible;
}

void ThumbnailBrowser::moveControls() {
    for (int k = 0; k < grid_.visiblecount && static_cast<size_t>(k) < Check1.size(); ++k) {
        int left = 0;
        int top = 0;
        grid_.framePosition(k, left, top);
        Check1[k]->move(px(left), px(top));
        Label7[k]->move(px(left), px(top + grid_.frameheight));
    }
}

void ThumbnailBrowser::fillImages(int32_t firstrow, int count) {
    const QFontMetrics metrics(font());
    for (int k = 0; k < count && static_cast<size_t>(k) < Check1.size(); ++k) {
        const int32_t f = (firstrow - 1) * grid_.columns + k;
        if (f < 0 || f >= store_.filecount)
            continue;
        if (store_.thumbnailbits.size() >= static_cast<size_t>(f + 1) * kThumbBytes) {
            const QImage picture = scaleSlot(store_.slot(f), grid_.picturewidth, grid_.pictureheight);
            Check1[k]->setIcon(QIcon(QPixmap::fromImage(picture)));
        }
        Check1[k]->setChecked(store_.fileselected[f] != 0);
        const QString caption =
            compactPathToWidth(QString::fromStdString(store_.filelist[f]), grid_.captionwidth, metrics);
        Label7[k]->setText(caption);
        // A name that is wider than its caption even alone is set a pixel or two smaller rather
        // than cut: among hundreds of clips "OV001.MOD" would name no file at all.
        QFont captionFont = font();
        const int width = Label7[k]->width();
        for (int pixels = QFontInfo(captionFont).pixelSize();
             QFontMetrics(captionFont).horizontalAdvance(caption) > width && pixels > 7;)
            captionFont.setPixelSize(--pixels);
        Label7[k]->setFont(captionFont);
        Label7[k]->setAlignment(QFontMetrics(captionFont).horizontalAdvance(caption) > width ? Qt::AlignRight
                                                                                             : Qt::AlignLeft);
        Check1[k]->update();
    }
}

void ThumbnailBrowser::refresh(bool reload) {
    manageControls(reload);
    fillImages(grid_.firstrow, grid_.visiblecount);
}

void ThumbnailBrowser::refreshChecks() {
    for (int k = 0; k < grid_.visiblecount && static_cast<size_t>(k) < Check1.size(); ++k) {
        const int32_t f = grid_.fileIndex(k);
        if (f >= 0 && f < store_.filecount)
            Check1[k]->setChecked(store_.fileselected[f] != 0);
    }
    Label5->setText(QString::number(store_.selectedcount));
}

void ThumbnailBrowser::onFramePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                      QPoint pos) {
    const int32_t f = grid_.fileIndex(k);
    store_.currentfileindex = f;
    if (button == Qt::RightButton) {
        picinfo->move(Check1[k]->mapToGlobal(pos) + QPoint(px(60), px(60)));
        keepOnScreen(*picinfo);
        picinfo->exec();
    } else if (button == Qt::LeftButton) {
        leftPress(store_, f, k, modifiers.testFlag(Qt::ShiftModifier),
                  modifiers.testFlag(Qt::ControlModifier));
        refreshChecks();
        Picture1->setFocus();
    }
}

void ThumbnailBrowser::onSizeChosen(int index) {
    if (loading_ || index < 0)
        return;
    grid_.setDisplaySize(index, store_.widethumbnails);
    settings_.thumbnailSize = static_cast<int16_t>(grid_.sizeindex);
    resizeBrowser();
    growToShowAFrame();
    Timer3.start();
    Picture1->setFocus();
}

// A size whose frame does not fit the window would show an empty browser: the window grows to
// hold one frame, as far as the screen allows.
void ThumbnailBrowser::growToShowAFrame() {
    if (store_.filecount < 1 || (grid_.columns >= 1 && grid_.rows >= 1))
        return;
    int needWidth = 0;
    int needHeight = 0;
    grid_.clientSizeForOneFrame(needWidth, needHeight);
    // One pixel more: the size read back in twips must not round below the need.
    resize(std::max(width(), px(needWidth) + 1), std::max(height(), px(needHeight) + 1));
    keepOnScreen(*this);
    resizeBrowser();
}

void ThumbnailBrowser::onScroll(int value) {
    grid_.scrollTo(value);
    store_.currentfileindex = grid_.fileIndex(0);
    Timer2.start();
}

void ThumbnailBrowser::setScrollValue(int32_t value) {
    if (grid_.scrollvisible)
        VScroll1->setValue(value);
}

void ThumbnailBrowser::closeKeepingSelection() {
    keepSelection_ = true;
    picinfo->hide();
    accept();
}

void ThumbnailBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (loading_ || isMinimized())
        return;
    resizeBrowser();
    storeGeometry();
    Timer1.start();
}

void ThumbnailBrowser::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!loading_)
        storeGeometry();
}

bool ThumbnailBrowser::scrollByKey(int key) {
    switch (key) {
        case Qt::Key_PageUp:
            setScrollValue(grid_.keyScroll(ScrollKey::PageUp));
            return true;
        case Qt::Key_PageDown:
            setScrollValue(grid_.keyScroll(ScrollKey::PageDown));
            return true;
        case Qt::Key_Home:
            setScrollValue(grid_.keyScroll(ScrollKey::Home));
            return true;
        case Qt::Key_End:
            setScrollValue(grid_.keyScroll(ScrollKey::End));
            return true;
        default:
            return false;
    }
}

void ThumbnailBrowser::keyPressEvent(QKeyEvent* event) {
    if (scrollByKey(event->key()) || event->key() == Qt::Key_Escape) {
        event->accept();  // Escape: only the close box throws the selection away
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window sees the four keys before its controls; the wheel over the size list scrolls the
// thumbnails too, so the size changes only when it is chosen.
bool ThumbnailBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && scrollByKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (watched == Combo1 && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ThumbnailBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    keepOnScreen(*this);   // again, now that the window's frame counts
    Picture1->setFocus();  // the thumbnail area, not the size list
}

void ThumbnailBrowser::wheelEvent(QWheelEvent* event) {
    setScrollValue(grid_.wheelscroll(wheelNotches(event->angleDelta().y())));
    event->accept();
}

void ThumbnailBrowser::closeEvent(QCloseEvent* event) {
    // The close box means "cancel": the choice made here is thrown away.
    if (!keepSelection_)
        unselectAll(store_);
    picinfo->hide();
    QDialog::closeEvent(event);
}

}  // namespace kadrel
