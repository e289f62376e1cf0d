#include "ui/browser/frmThumbnailBrowser.h"

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

#include "ui/browser/WheelMouse.h"
#include "ui/browser/browserselection.h"
#include "ui/main/CompactPath.h"
#include "ui/main/screenfit.h"

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

frmThumbnailBrowser::frmThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings,
                                         QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_store(store),
      m_settings(settings) {
    setObjectName("frmThumbnailBrowser");
    setWindowTitle("select Clips/Pictures manually");
    setStyleSheet(kFrameStyle);
    if (mainWindow != nullptr)
        QApplication::alert(mainWindow);
    m_settings.ThumbnailSize = static_cast<int16_t>(displaySizeIndex(m_settings.ThumbnailSize));
    m_grid.setDisplaySize(m_settings.ThumbnailSize, m_store.widethumbnails);
    buildPanel();
    buildTimers();
    picinfo = new frmPicInfo(m_store, this);
    addFrame(0, true);
    Check1[0]->hide();
    Label7[0]->hide();
    Label4->setText(QString::number(m_store.filecount));
    Label5->setText(QString::number(m_store.selectedcount));
    applyStoredGeometry();
    BrowserResize();
    growToShowAFrame();
    m_laststate = windowState();
    // The four keys scroll whichever control has the focus; the size list must not eat them.
    for (QWidget* control : {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Command1),
                             static_cast<QWidget*>(Command2), static_cast<QWidget*>(Command3), Picture1})
        control->installEventFilter(this);
}

frmThumbnailBrowser::~frmThumbnailBrowser() = default;

int frmThumbnailBrowser::px(int twipsValue) const {
    return qRound(twipsValue * logicalDpiX() / 1440.0);
}

int frmThumbnailBrowser::twips(int pixels) const {
    return qRound(pixels * 1440.0 / logicalDpiX());
}

void frmThumbnailBrowser::buildPanel() {
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

void frmThumbnailBrowser::buildHintAndScrollBar() {
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
    connect(VScroll1, &QScrollBar::valueChanged, this, &frmThumbnailBrowser::onScroll);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmThumbnailBrowser::onSizeChosen);
    connect(Command1, &QPushButton::clicked, this, [this] {
        selectAll(m_store);
        refreshChecks();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        unselectAll(m_store);
        refreshChecks();
    });
    connect(Command3, &QPushButton::clicked, this, &frmThumbnailBrowser::closeKeepingSelection);
}

void frmThumbnailBrowser::buildTimers() {
    QTimer* timers[3] = {&Timer1, &Timer2, &Timer3};
    for (QTimer* timer : timers) {
        timer->setSingleShot(true);
        timer->setInterval(1);
    }
    connect(&Timer1, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&Timer2, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&Timer3, &QTimer::timeout, this, [this] { refresh(true); });
}

void frmThumbnailBrowser::applyStoredGeometry() {
    m_loading = true;
    resize(std::max(px(m_settings.width), px(kPanelWidth)),
           std::max(px(m_settings.height), px(kMinClientHeight)));
    move(px(m_settings.xpos), px(m_settings.ypos));
    keepOnScreen(*this);
    Combo1->setCurrentIndex(m_settings.ThumbnailSize);
    m_loading = false;
}

void frmThumbnailBrowser::storeGeometry() {
    if (isMinimized() || isMaximized())
        return;
    m_settings.xpos = twips(pos().x());
    m_settings.ypos = twips(pos().y());
    m_settings.width = twips(width());
    m_settings.height = twips(height());
}

void frmThumbnailBrowser::ArrangeControls() {
    setMinimumSize(px(kPanelWidth), px(kMinClientHeight));
    const int panelLeft = width() - px(kPanelWidth);
    for (QWidget* control :
         {static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2),
          static_cast<QWidget*>(Command3), static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Label6)}) {
        control->move(panelLeft + (px(kPanelWidth) - control->width()) / 2, control->y());
    }
    Label1->move(Combo1->x(), Label1->y());
}

void frmThumbnailBrowser::BrowserResize() {
    if (isMinimized())
        return;
    m_grid.BrowserResize(twips(width()), twips(height()), m_store.filecount);
    ArrangeControls();
    m_store.currentfileindex = m_grid.fileIndex(0);
    syncScrollBar();
}

void frmThumbnailBrowser::syncScrollBar() {
    VScroll1->setGeometry(px(m_grid.scrollleft), 0, px(kScrollWidth), height());
    VScroll1->setPageStep(m_grid.largechange);
    if (!m_grid.scrollvisible) {
        VScroll1->hide();
        return;
    }
    const QSignalBlocker blocker(VScroll1);
    VScroll1->setRange(1, m_grid.scrollmaximum);
    VScroll1->setValue(m_grid.firstrow);
    VScroll1->show();
}

void frmThumbnailBrowser::addFrame(int k, bool sized) {
    auto* frame = new ThumbnailFrame(k, this);
    auto* caption = new QLabel(this);
    caption->setObjectName(QString("Label7_%1").arg(k));
    connect(frame, &ThumbnailFrame::framePressed, this, &frmThumbnailBrowser::onFramePressed);
    Check1.push_back(frame);
    Label7.push_back(caption);
    if (sized)
        sizeFrame(k);
}

void frmThumbnailBrowser::sizeFrame(int k) {
    Check1[k]->setFixedSize(px(m_grid.framewidth), px(m_grid.frameheight));
    Check1[k]->setIconSize(QSize(m_grid.picturewidth, m_grid.pictureheight));
    Label7[k]->setFixedWidth(px(m_grid.framewidth));
}

void frmThumbnailBrowser::ManageControls(bool reload) {
    const int visible = m_grid.visiblecount;
    const int keep = reload ? 0 : std::min(m_loadedcount, visible);
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
    MoveControls();
    m_loadedcount = visible;
}

void frmThumbnailBrowser::MoveControls() {
    for (int k = 0; k < m_grid.visiblecount && static_cast<size_t>(k) < Check1.size(); ++k) {
        int left = 0;
        int top = 0;
        m_grid.framePosition(k, left, top);
        Check1[k]->move(px(left), px(top));
        Label7[k]->move(px(left), px(top + m_grid.frameheight));
    }
}

void frmThumbnailBrowser::FillImages(int32_t firstrow, int count) {
    const QFontMetrics metrics(font());
    for (int k = 0; k < count && static_cast<size_t>(k) < Check1.size(); ++k) {
        const int32_t f = (firstrow - 1) * m_grid.columns + k;
        if (f < 0 || f >= m_store.filecount)
            continue;
        if (m_store.thumbnailbits.size() >= static_cast<size_t>(f + 1) * kThumbBytes) {
            const QImage picture = scaleSlot(m_store.slot(f), m_grid.picturewidth, m_grid.pictureheight);
            Check1[k]->setIcon(QIcon(QPixmap::fromImage(picture)));
        }
        Check1[k]->setChecked(m_store.fileselected[f] != 0);
        const QString caption =
            CompactPathToWidth(QString::fromStdString(m_store.filelist[f]), m_grid.captionwidth, metrics);
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

void frmThumbnailBrowser::refresh(bool reload) {
    ManageControls(reload);
    FillImages(m_grid.firstrow, m_grid.visiblecount);
}

void frmThumbnailBrowser::refreshChecks() {
    for (int k = 0; k < m_grid.visiblecount && static_cast<size_t>(k) < Check1.size(); ++k) {
        const int32_t f = m_grid.fileIndex(k);
        if (f >= 0 && f < m_store.filecount)
            Check1[k]->setChecked(m_store.fileselected[f] != 0);
    }
    Label5->setText(QString::number(m_store.selectedcount));
}

void frmThumbnailBrowser::onFramePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                         QPoint pos) {
    const int32_t f = m_grid.fileIndex(k);
    m_store.currentfileindex = f;
    if (button == Qt::RightButton) {
        picinfo->move(Check1[k]->mapToGlobal(pos) + QPoint(px(60), px(60)));
        keepOnScreen(*picinfo);
        picinfo->exec();
    } else if (button == Qt::LeftButton) {
        leftPress(m_store, f, k, modifiers.testFlag(Qt::ShiftModifier),
                  modifiers.testFlag(Qt::ControlModifier));
        refreshChecks();
        Picture1->setFocus();
    }
}

void frmThumbnailBrowser::onSizeChosen(int index) {
    if (m_loading || index < 0)
        return;
    m_grid.setDisplaySize(index, m_store.widethumbnails);
    m_settings.ThumbnailSize = static_cast<int16_t>(m_grid.sizeindex);
    BrowserResize();
    growToShowAFrame();
    Timer3.start();
    Picture1->setFocus();
}

// A size whose frame does not fit the window would show an empty browser: the window grows to
// hold one frame, as far as the screen allows.
void frmThumbnailBrowser::growToShowAFrame() {
    if (m_store.filecount < 1 || (m_grid.columns >= 1 && m_grid.rows >= 1))
        return;
    int needWidth = 0;
    int needHeight = 0;
    m_grid.clientSizeForOneFrame(needWidth, needHeight);
    // One pixel more: the size read back in twips must not round below the need.
    resize(std::max(width(), px(needWidth) + 1), std::max(height(), px(needHeight) + 1));
    keepOnScreen(*this);
    BrowserResize();
}

void frmThumbnailBrowser::onScroll(int value) {
    m_grid.scrollTo(value);
    m_store.currentfileindex = m_grid.fileIndex(0);
    Timer2.start();
}

void frmThumbnailBrowser::setScrollValue(int32_t value) {
    if (m_grid.scrollvisible)
        VScroll1->setValue(value);
}

void frmThumbnailBrowser::closeKeepingSelection() {
    m_keepSelection = true;
    picinfo->hide();
    accept();
}

void frmThumbnailBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_loading || isMinimized())
        return;
    BrowserResize();
    storeGeometry();
    Timer1.start();
    m_laststate = windowState();
}

void frmThumbnailBrowser::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!m_loading)
        storeGeometry();
}

bool frmThumbnailBrowser::scrollByKey(int key) {
    switch (key) {
        case Qt::Key_PageUp:
            setScrollValue(m_grid.keyScroll(ScrollKey::PageUp));
            return true;
        case Qt::Key_PageDown:
            setScrollValue(m_grid.keyScroll(ScrollKey::PageDown));
            return true;
        case Qt::Key_Home:
            setScrollValue(m_grid.keyScroll(ScrollKey::Home));
            return true;
        case Qt::Key_End:
            setScrollValue(m_grid.keyScroll(ScrollKey::End));
            return true;
        default:
            return false;
    }
}

void frmThumbnailBrowser::keyPressEvent(QKeyEvent* event) {
    if (scrollByKey(event->key()) || event->key() == Qt::Key_Escape) {
        event->accept();  // Escape: only the close box throws the selection away
        return;
    }
    QDialog::keyPressEvent(event);
}

// The window sees the four keys before its controls; the wheel over the size list scrolls the
// thumbnails too, so the size changes only when it is chosen.
bool frmThumbnailBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && scrollByKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (watched == Combo1 && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmThumbnailBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    keepOnScreen(*this);   // again, now that the window's frame counts
    Picture1->setFocus();  // the thumbnail area, not the size list
}

void frmThumbnailBrowser::wheelEvent(QWheelEvent* event) {
    setScrollValue(m_grid.wheelscroll(wheelNotches(event->angleDelta().y())));
    event->accept();
}

void frmThumbnailBrowser::closeEvent(QCloseEvent* event) {
    // The close box means "cancel": the choice made here is thrown away.
    if (!m_keepSelection)
        unselectAll(m_store);
    picinfo->hide();
    QDialog::closeEvent(event);
}

}  // namespace kadrel
