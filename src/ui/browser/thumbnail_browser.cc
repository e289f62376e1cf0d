#include "ui/browser/thumbnail_browser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "ui/browser/browser_geometry.h"
#include "ui/browser/browser_selection.h"
#include "ui/compact_path.h"
#include "ui/screen_fit.h"

namespace kadrel {
namespace {

constexpr int kPanelControlWidth = 1575;  // twips
constexpr int kHintWidth = 1815;          // twips

QPushButton* makeButton(const char* name, const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

ThumbnailBrowser::ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      store_(store),
      settings_(settings) {
    setObjectName("ThumbnailBrowser");
    setWindowTitle("select Clips/Pictures manually");
    setStyleSheet(kThumbnailFrameStyle);
    if (mainWindow != nullptr)
        QApplication::alert(mainWindow);
    settings_.thumbnailSize = static_cast<int16_t>(displaySizeIndex(settings_.thumbnailSize));
    grid_.setDisplaySize(settings_.thumbnailSize, store_.wideThumbnails);
    buildPanel();
    buildTimers();
    fileInfoDialog_ = new FileInfoDialog(store_, this);
    addFrame(0);
    thumbnailFrames_[0]->hide();
    frameCaptions_[0]->hide();
    fileCountLabel_->setText(QString::number(store_.fileCount));
    selectedCountLabel_->setText(QString::number(store_.selectedCount));
    loading_ = true;
    restoreBrowserGeometry(*this, settings_);
    sizeCombo_->setCurrentIndex(settings_.thumbnailSize);
    loading_ = false;
    layOutGrid();
    growToShowAFrame();
    // The four keys scroll whichever control has the focus; the size list must not eat them.
    for (QWidget* control : std::initializer_list<QWidget*>{sizeCombo_, selectAllButton_, unselectAllButton_,
                                                            acceptButton_, thumbnailFocus_})
        control->installEventFilter(this);
}

void ThumbnailBrowser::buildPanel() {
    sizeLabel_ = makeLabel("sizeLabel", "Size of Thumbnails:", this);
    sizeLabel_->adjustSize();  // as wide as its text needs, so the text is never cut
    sizeLabel_->move(0, px(105));
    sizeCombo_ = new QComboBox(this);
    sizeCombo_->setObjectName("sizeCombo");
    for (const DisplaySize& size : kDisplaySizes)
        sizeCombo_->addItem(size.item);
    sizeCombo_->setToolTip("specify size of Thumbnails");
    sizeCombo_->setGeometry(0, px(345), px(kPanelControlWidth), sizeCombo_->sizeHint().height());
    selectAllButton_ = makeButton("selectAllButton", "&Select All", "selects all Thumbnails", this);
    selectAllButton_->setGeometry(0, px(765), px(kPanelControlWidth), px(330));
    unselectAllButton_ = makeButton("unselectAllButton", "&Unselect All", "unselects all Thumbnails", this);
    unselectAllButton_->setGeometry(0, px(1170), px(kPanelControlWidth), px(330));
    buildCounts();
    acceptButton_ =
        makeButton("acceptButton", "&Accept && Close", "accept current selection and close Browser", this);
    acceptButton_->setGeometry(0, px(3285), px(kPanelControlWidth), px(405));
    buildHintAndScrollBar();
}

void ThumbnailBrowser::buildCounts() {
    countsFrame_ = new QFrame(this);
    countsFrame_->setObjectName("countsFrame");
    countsFrame_->setFrameShape(QFrame::StyledPanel);
    countsFrame_->setGeometry(0, px(1650), px(kPanelControlWidth), px(1365));
    const int inner = px(kPanelControlWidth - 240);
    makeLabel("totalFilesLabel", "total Files:", countsFrame_)->setGeometry(px(120), px(240), inner, px(225));
    fileCountLabel_ = makeLabel("fileCountLabel", "", countsFrame_);
    fileCountLabel_->setGeometry(px(120), px(480), inner, px(225));
    makeLabel("selectedFilesLabel", "selected Files:", countsFrame_)
        ->setGeometry(px(120), px(795), inner, px(225));
    selectedCountLabel_ = makeLabel("selectedCountLabel", "", countsFrame_);
    selectedCountLabel_->setGeometry(px(120), px(1020), inner, px(225));
}

void ThumbnailBrowser::buildHintAndScrollBar() {
    hintLabel_ = makeLabel("hintLabel",
                           "(use Shift/Ctrl Key+left Mousebutton to select multiple items, use right "
                           "Mousebutton to get File Information)",
                           this);
    hintLabel_->setWordWrap(true);
    // The hint wraps to as many lines as the font needs, so none of it is cut off.
    hintLabel_->setGeometry(0, px(3885), px(kHintWidth),
                            std::max(px(1020), hintLabel_->heightForWidth(px(kHintWidth))));
    thumbnailFocus_ = new QWidget(this);
    thumbnailFocus_->setObjectName("thumbnailFocus");
    thumbnailFocus_->setFocusPolicy(Qt::StrongFocus);
    thumbnailFocus_->setGeometry(-1000, -1000, 1, 1);
    rowScrollBar_ = new QScrollBar(Qt::Vertical, this);
    rowScrollBar_->setObjectName("rowScrollBar");
    rowScrollBar_->setFocusPolicy(Qt::NoFocus);  // the focus stays with the thumbnail area
    rowScrollBar_->setMinimum(1);
    rowScrollBar_->setSingleStep(1);
    rowScrollBar_->hide();
    connect(rowScrollBar_, &QScrollBar::valueChanged, this, &ThumbnailBrowser::onScroll);
    connect(sizeCombo_, &QComboBox::currentIndexChanged, this, &ThumbnailBrowser::onSizeChosen);
    connect(selectAllButton_, &QPushButton::clicked, this, &ThumbnailBrowser::onSelectAllClicked);
    connect(unselectAllButton_, &QPushButton::clicked, this, &ThumbnailBrowser::onUnselectAllClicked);
    connect(acceptButton_, &QPushButton::clicked, this, &ThumbnailBrowser::closeKeepingSelection);
}

// The page is rebuilt a moment after a resize, a scroll or a new size, so that a burst of
// them costs one rebuild.
void ThumbnailBrowser::buildTimers() {
    for (QTimer* timer : {&resizeTimer_, &scrollTimer_, &reloadTimer_}) {
        timer->setSingleShot(true);
        timer->setInterval(1);
    }
    connect(&resizeTimer_, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&scrollTimer_, &QTimer::timeout, this, [this] { refresh(false); });
    connect(&reloadTimer_, &QTimer::timeout, this, [this] { refresh(true); });
}

void ThumbnailBrowser::placePanel() {
    setMinimumSize(px(kPanelWidth), px(kMinClientHeight));
    const int panelLeft = width() - px(kPanelWidth);
    for (QWidget* control : std::initializer_list<QWidget*>{sizeCombo_, selectAllButton_, unselectAllButton_,
                                                            acceptButton_, countsFrame_, hintLabel_})
        control->move(panelLeft + (px(kPanelWidth) - control->width()) / 2, control->y());
    sizeLabel_->move(sizeCombo_->x(), sizeLabel_->y());
}

void ThumbnailBrowser::layOutGrid() {
    if (isMinimized())
        return;
    const double dpi = logicalDpiX();
    grid_.resizeBrowser(pixelsToTwips(width(), dpi), pixelsToTwips(height(), dpi), store_.fileCount);
    placePanel();
    store_.currentFileIndex = grid_.fileIndex(0);
    syncScrollBar();
}

void ThumbnailBrowser::syncScrollBar() {
    rowScrollBar_->setGeometry(px(grid_.scrollLeft), 0, px(kScrollWidth), height());
    rowScrollBar_->setPageStep(grid_.largeChange);
    if (!grid_.scrollVisible) {
        rowScrollBar_->hide();
        return;
    }
    const QSignalBlocker blocker(rowScrollBar_);
    rowScrollBar_->setRange(1, grid_.scrollMaximum);
    rowScrollBar_->setValue(grid_.firstRow);
    rowScrollBar_->show();
}

void ThumbnailBrowser::addFrame(int k) {
    auto* frame = new ThumbnailFrame(k, this);
    auto* caption = makeLabel(qPrintable(QString("frameCaption%1").arg(k)), "", this);
    connect(frame, &ThumbnailFrame::framePressed, this, &ThumbnailBrowser::onFramePressed);
    thumbnailFrames_.push_back(frame);
    frameCaptions_.push_back(caption);
    sizeFrame(k);
}

void ThumbnailBrowser::sizeFrame(int k) {
    thumbnailFrames_[k]->setFixedSize(px(grid_.frameWidth), px(grid_.frameHeight));
    thumbnailFrames_[k]->setIconSize(QSize(grid_.pictureWidth, grid_.pictureHeight));
    frameCaptions_[k]->setFixedWidth(px(grid_.frameWidth));
}

void ThumbnailBrowser::makeFramesForPage(bool reload) {
    const int visible = grid_.visibleCount;
    const int keep = reload ? 0 : std::min(loadedCount_, visible);
    // Frame 0 always exists and is only hidden; the others come and go with the page.
    while (thumbnailFrames_.size() > static_cast<size_t>(std::max(1, keep))) {
        delete thumbnailFrames_.back();
        delete frameCaptions_.back();
        thumbnailFrames_.pop_back();
        frameCaptions_.pop_back();
    }
    if (keep == 0) {
        thumbnailFrames_[0]->hide();
        frameCaptions_[0]->hide();
        sizeFrame(0);
    }
    for (int k = keep; k < visible; ++k) {
        if (k > 0)
            addFrame(k);
        thumbnailFrames_[k]->show();
        frameCaptions_[k]->show();
    }
    placeFrames();
    loadedCount_ = visible;
}

void ThumbnailBrowser::placeFrames() {
    for (int k = 0; k < grid_.visibleCount && static_cast<size_t>(k) < thumbnailFrames_.size(); ++k) {
        int left = 0;
        int top = 0;
        grid_.framePosition(k, left, top);
        thumbnailFrames_[k]->move(px(left), px(top));
        frameCaptions_[k]->move(px(left), px(top + grid_.frameHeight));
    }
}

void ThumbnailBrowser::fillFrames() {
    const QFontMetrics metrics(font());
    for (int k = 0; k < grid_.visibleCount && static_cast<size_t>(k) < thumbnailFrames_.size(); ++k) {
        const int32_t f = grid_.fileIndex(k);
        if (f < 0 || f >= store_.fileCount)
            continue;
        if (store_.thumbnailBits.size() >= static_cast<size_t>(f + 1) * kThumbBytes) {
            const QImage picture = scaleSlot(store_.slot(f), grid_.pictureWidth, grid_.pictureHeight);
            thumbnailFrames_[k]->setIcon(QIcon(QPixmap::fromImage(picture)));
        }
        thumbnailFrames_[k]->setChecked(store_.fileSelected[f] != 0);
        showFrameCaption(
            *frameCaptions_[k],
            compactPathToWidth(QString::fromStdString(store_.fileList[f]), grid_.captionWidth, metrics),
            font());
        thumbnailFrames_[k]->update();
    }
}

void ThumbnailBrowser::refresh(bool reload) {
    makeFramesForPage(reload);
    fillFrames();
}

void ThumbnailBrowser::refreshChecks() {
    for (int k = 0; k < grid_.visibleCount && static_cast<size_t>(k) < thumbnailFrames_.size(); ++k) {
        const int32_t f = grid_.fileIndex(k);
        if (f >= 0 && f < store_.fileCount)
            thumbnailFrames_[k]->setChecked(store_.fileSelected[f] != 0);
    }
    selectedCountLabel_->setText(QString::number(store_.selectedCount));
}

void ThumbnailBrowser::onFramePressed(int k, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                      QPoint pos) {
    const int32_t f = grid_.fileIndex(k);
    store_.currentFileIndex = f;
    if (button == Qt::RightButton) {
        fileInfoDialog_->move(thumbnailFrames_[k]->mapToGlobal(pos) + QPoint(px(60), px(60)));
        keepOnScreen(*fileInfoDialog_);
        fileInfoDialog_->exec();
    } else if (button == Qt::LeftButton) {
        leftPress(store_, f, k, modifiers.testFlag(Qt::ShiftModifier),
                  modifiers.testFlag(Qt::ControlModifier));
        refreshChecks();
        thumbnailFocus_->setFocus();
    }
}

void ThumbnailBrowser::onSelectAllClicked() {
    selectAll(store_);
    refreshChecks();
}

void ThumbnailBrowser::onUnselectAllClicked() {
    unselectAll(store_);
    refreshChecks();
}

void ThumbnailBrowser::onSizeChosen(int index) {
    if (loading_ || index < 0)
        return;
    grid_.setDisplaySize(index, store_.wideThumbnails);
    settings_.thumbnailSize = static_cast<int16_t>(grid_.sizeIndex);
    layOutGrid();
    growToShowAFrame();
    reloadTimer_.start();
    thumbnailFocus_->setFocus();
}

// A size whose frame does not fit the window would show an empty browser: the window grows to
// hold one frame, as far as the screen allows.
void ThumbnailBrowser::growToShowAFrame() {
    if (store_.fileCount < 1 || (grid_.columns >= 1 && grid_.rows >= 1))
        return;
    int needWidth = 0;
    int needHeight = 0;
    grid_.clientSizeForOneFrame(needWidth, needHeight);
    growBrowserTo(*this, needWidth, needHeight);
    layOutGrid();
}

void ThumbnailBrowser::onScroll(int value) {
    grid_.scrollTo(value);
    store_.currentFileIndex = grid_.fileIndex(0);
    scrollTimer_.start();
}

void ThumbnailBrowser::setScrollValue(int32_t value) {
    if (grid_.scrollVisible)
        rowScrollBar_->setValue(value);
}

void ThumbnailBrowser::closeKeepingSelection() {
    keepSelection_ = true;
    fileInfoDialog_->hide();
    accept();
}

void ThumbnailBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (loading_ || isMinimized())
        return;
    layOutGrid();
    storeBrowserGeometry(*this, settings_);
    resizeTimer_.start();
}

void ThumbnailBrowser::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!loading_)
        storeBrowserGeometry(*this, settings_);
}

bool ThumbnailBrowser::scrollByKey(int key) {
    static constexpr std::pair<int, ScrollKey> kKeys[] = {{Qt::Key_PageUp, ScrollKey::PageUp},
                                                          {Qt::Key_PageDown, ScrollKey::PageDown},
                                                          {Qt::Key_Home, ScrollKey::Home},
                                                          {Qt::Key_End, ScrollKey::End}};
    for (const auto& [qtKey, scrollKey] : kKeys) {
        if (key == qtKey) {
            setScrollValue(grid_.keyScroll(scrollKey));
            return true;
        }
    }
    return false;
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
    if (watched == sizeCombo_ && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ThumbnailBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    keepOnScreen(*this);          // again, now that the window's frame counts
    thumbnailFocus_->setFocus();  // the thumbnail area, not the size list
}

void ThumbnailBrowser::wheelEvent(QWheelEvent* event) {
    setScrollValue(grid_.wheelScroll(wheelNotches(event->angleDelta().y())));
    event->accept();
}

void ThumbnailBrowser::closeEvent(QCloseEvent* event) {
    // The close box means "cancel": the choice made here is thrown away.
    if (!keepSelection_)
        unselectAll(store_);
    fileInfoDialog_->hide();
    QDialog::closeEvent(event);
}

}  // namespace kadrel
